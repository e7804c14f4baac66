// A grid of text cells with the class library's meaning: ColCount × RowCount cells, of which the first
// FixedCols columns and FixedRows rows are fixed (painted in FixedColor, never scrolled, never current);
// one current cell (Col, Row) that the keyboard and the mouse move and that always scrolls into view; column
// widths the user can drag at the borders of the fixed row. Derived grids paint cells through DrawCell and
// react through SelectCell, KeyPress and DblClick. Painting walks only the visible cells.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/graphics/canvas.h"
#include "classlib/widgets/gridaxis.h"
#include "classlib/base/tcolor.h"

#include <QAbstractScrollArea>
#include <QFlags>
#include <QImage>

#include <cstdint>
#include <optional>
#include <unordered_map>

enum TGridDrawFlag { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

class TStringGrid : public QAbstractScrollArea {
    Q_OBJECT
    Q_PROPERTY(int ColCount READ ColCount WRITE SetColCount)
    Q_PROPERTY(int RowCount READ RowCount WRITE SetRowCount)
    Q_PROPERTY(int FixedCols READ FixedCols WRITE SetFixedCols)
    Q_PROPERTY(int FixedRows READ FixedRows WRITE SetFixedRows)
    Q_PROPERTY(int DefaultColWidth READ DefaultColWidth WRITE SetDefaultColWidth)
    Q_PROPERTY(int DefaultRowHeight READ DefaultRowHeight WRITE SetDefaultRowHeight)
    Q_PROPERTY(TColor FixedColor READ FixedColor WRITE SetFixedColor)
    Q_PROPERTY(bool DoubleBuffered READ DoubleBuffered WRITE SetDoubleBuffered)

public:
    explicit TStringGrid(QWidget* parent = nullptr);
    ~TStringGrid() override;

    // The text of a cell; empty for a cell never set or outside the grid.
    const AnsiString& Cells(int col, int row) const;
    // Cells outside the grid are kept too (a grid grows into them); negative indices are ignored.
    void SetCells(int col, int row, const AnsiString& text);

    int ColCount() const { return cols_.Count(); }
    int RowCount() const { return rows_.Count(); }
    int FixedCols() const { return cols_.Fixed(); }
    int FixedRows() const { return rows_.Fixed(); }
    // At least one column (row); cells, widths and heights past a smaller count are dropped.
    void SetColCount(int count);
    void SetRowCount(int count);
    // At most ColCount − 1 (RowCount − 1), so that one column (row) can take the current cell.
    void SetFixedCols(int count);
    void SetFixedRows(int count);

    int DefaultColWidth() const { return cols_.DefaultSize(); }
    int DefaultRowHeight() const { return rows_.DefaultSize(); }
    // Gives every column (row) the new size.
    void SetDefaultColWidth(int width);
    void SetDefaultRowHeight(int height);
    // 0 for a column (row) that does not exist; sizes are limited to 0 … TGridAxis::kMaxSize pixels.
    int ColWidths(int col) const { return cols_.Size(col); }
    int RowHeights(int row) const { return rows_.Size(row); }
    void SetColWidths(int col, int width);
    void SetRowHeights(int row, int height);
    // Gives every column from col on the width in one step, however many columns there are.
    void SetColWidthsFrom(int col, int width);
    // The first column from which every column up to the last has the same width.
    int UniformColWidthsFrom() const { return cols_.UniformFrom(); }

    // The current cell, always a scrolling one; setting it asks SelectCell and scrolls it into view.
    int Col() const { return col_; }
    int Row() const { return row_; }
    void SetCol(int col);
    void SetRow(int row);
    // The first scrolling column and row shown.
    int LeftCol() const { return cols_.First(); }
    int TopRow() const { return rows_.First(); }
    // Scrolling columns and rows wholly visible from there, at least 1 (the step of Page Up and Page Down).
    int VisibleColCount() const { return cols_.PageCount(); }
    int VisibleRowCount() const { return rows_.PageCount(); }

    // The cell's rectangle in the coordinates of the viewport; empty when no pixel of it is visible.
    QRect CellRect(int col, int row) const;
    // The cell at a point of the viewport; false when the point shows no cell.
    bool MouseToCell(QPoint point, int& col, int& row) const;

    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor color);
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);
    // Paints through an off-screen picture first, then shows it at once.
    bool DoubleBuffered() const { return doubleBuffered_; }
    void SetDoubleBuffered(bool on) { doubleBuffered_ = on; }

signals:
    void OnSelectCell(QObject* Sender, int ACol, int ARow, bool& CanSelect);
    void OnKeyPress(QObject* Sender, char& Key);
    void OnDblClick(QObject* Sender);

protected:
    // The canvas of the painting in progress: brush and font are preset for the cell being drawn.
    TCanvas& Canvas() { return *canvas_; }

    // Paints one cell inside rect; the default fills it with the brush and writes the cell's text.
    virtual void DrawCell(int ACol, int ARow, QRect rect, TGridDrawState state);
    // Whether the cell may become current; the default asks OnSelectCell.
    virtual bool SelectCell(int ACol, int ARow);
    // A typed character as a Windows-1251 byte (Enter 13, Escape 27, Backspace 8; see classlib/keypress.h);
    // the default raises OnKeyPress.
    virtual void KeyPress(char& key);
    // The default raises OnDblClick.
    virtual void DblClick();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void PaintCells(QPainter& painter, const QRect& area);
    void PaintCell(TCanvas& canvas, int col, int row, const QRect& rect);
    void PaintGridLines(QPainter& painter, const QRect& rect, bool fixed);
    void PaintFixedEdges(QPainter& painter, const QRect& rect);
    TGridDrawState DrawState(int col, int row) const;
    void PaintFocusRect(QPainter& painter, const QRect& area);

    bool Navigate(const QKeyEvent* event);
    // Makes (col, row) current when it is a scrolling cell that SelectCell allows.
    void FocusCell(int col, int row);
    // The column whose right border lies under a point of the fixed rows, or -1.
    int SizingColumnAt(QPoint point) const;
    // After a change of counts or fixed lines: the current cell back among the scrolling cells, in view.
    void KeepCurrentInGrid();
    void DropCellsOutside();
    void UpdateScrollBars();
    void UpdateExtents();
    void Changed();

    TGridAxis cols_;
    TGridAxis rows_;
    int col_ = 1;
    int row_ = 1;
    std::unordered_map<std::uint64_t, AnsiString> cells_;
    TColor fixedColor_ = clBtnFace;
    TFont font_;
    bool doubleBuffered_ = false;
    // The off-screen picture of double-buffered painting, kept between paints at the viewport's size.
    QImage buffer_;
    TCanvas* canvas_ = nullptr;
    int sizingCol_ = -1;
    int sizingStartX_ = 0;
    int sizingStartWidth_ = 0;
    bool selecting_ = false;
    bool syncingScrollBars_ = false;
};
