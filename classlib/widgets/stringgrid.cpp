#include "classlib/widgets/stringgrid.h"

#include "classlib/base/exceptionhandler.h"
#include "classlib/widgets/keypress.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

// How near a column border, in pixels, the pointer may be to drag it.
constexpr int kSizingReach = 2;

std::uint64_t CellKey(int col, int row)
{
    return (std::uint64_t(std::uint32_t(col)) << 32) | std::uint32_t(row);
}

int ColOfKey(std::uint64_t key)
{
    return int(key >> 32);
}

int RowOfKey(std::uint64_t key)
{
    return int(key & 0xFFFFFFFFu);
}

int Clamped(long long value, int low, int high)
{
    return int(std::clamp<long long>(value, low, high));
}

} // namespace

TStringGrid::TStringGrid(QWidget* parent) : QAbstractScrollArea(parent)
{
    rows_.SetDefaultSize(24);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    UpdateExtents();
    UpdateScrollBars();
}

TStringGrid::~TStringGrid() = default;

const AnsiString& TStringGrid::Cells(int col, int row) const
{
    static const AnsiString kEmpty;
    if (col < 0 || row < 0)
        return kEmpty;
    const auto cell = cells_.find(CellKey(col, row));
    return cell == cells_.end() ? kEmpty : cell->second;
}

void TStringGrid::SetCells(int col, int row, const AnsiString& text)
{
    if (col < 0 || row < 0)
        return;
    if (text.IsEmpty())
        cells_.erase(CellKey(col, row));
    else
        cells_[CellKey(col, row)] = text;
    viewport()->update();
}

void TStringGrid::SetColCount(int count)
{
    cols_.SetCount(count);
    DropCellsOutside();
    KeepCurrentInGrid();
}

void TStringGrid::SetRowCount(int count)
{
    rows_.SetCount(count);
    DropCellsOutside();
    KeepCurrentInGrid();
}

void TStringGrid::SetFixedCols(int count)
{
    cols_.SetFixed(count);
    KeepCurrentInGrid();
}

void TStringGrid::SetFixedRows(int count)
{
    rows_.SetFixed(count);
    KeepCurrentInGrid();
}

void TStringGrid::SetDefaultColWidth(int width)
{
    cols_.SetDefaultSize(width);
    Changed();
}

void TStringGrid::SetDefaultRowHeight(int height)
{
    rows_.SetDefaultSize(height);
    Changed();
}

void TStringGrid::SetColWidths(int col, int width)
{
    cols_.SetSize(col, width);
    Changed();
}

void TStringGrid::SetColWidthsFrom(int col, int width)
{
    cols_.SetSizesFrom(col, width);
    Changed();
}

void TStringGrid::SetRowHeights(int row, int height)
{
    rows_.SetSize(row, height);
    Changed();
}

void TStringGrid::SetCol(int col)
{
    FocusCell(col, row_);
}

void TStringGrid::SetRow(int row)
{
    FocusCell(col_, row);
}

QRect TStringGrid::CellRect(int col, int row) const
{
    const std::optional<int> x = cols_.Start(col);
    const std::optional<int> y = rows_.Start(row);
    if (!x || !y)
        return QRect();
    return QRect(*x, *y, cols_.Size(col), rows_.Size(row));
}

bool TStringGrid::MouseToCell(QPoint point, int& col, int& row) const
{
    col = cols_.IndexAt(point.x());
    row = rows_.IndexAt(point.y());
    return col >= 0 && row >= 0;
}

void TStringGrid::SetFixedColor(TColor color)
{
    fixedColor_ = color;
    viewport()->update();
}

void TStringGrid::SetFont(const TFont& font)
{
    font_ = font;
    viewport()->update();
}

void TStringGrid::DrawCell(int ACol, int ARow, QRect rect, TGridDrawState)
{
    TCanvas& canvas = Canvas();
    canvas.FillRect(rect);
    const TBrushStyle style = canvas.Brush.Style;
    canvas.Brush.Style = bsClear;
    canvas.TextOut(rect.left() + 2, rect.top() + 2, Cells(ACol, ARow));
    canvas.Brush.Style = style;
}

bool TStringGrid::SelectCell(int ACol, int ARow)
{
    bool canSelect = true;
    emit OnSelectCell(this, ACol, ARow, canSelect);
    return canSelect;
}

void TStringGrid::KeyPress(char& key)
{
    emit OnKeyPress(this, key);
}

void TStringGrid::DblClick()
{
    emit OnDblClick(this);
}

void TStringGrid::paintEvent(QPaintEvent* event)
{
    const QRect area = event->rect();
    if (!doubleBuffered_) {
        QPainter painter(viewport());
        PaintCells(painter, area);
        return;
    }
    const qreal ratio = viewport()->devicePixelRatioF();
    const QSize size = viewport()->size() * ratio;
    if (buffer_.size() != size || buffer_.devicePixelRatio() != ratio) {
        buffer_ = QImage(size, QImage::Format_RGB32);
        buffer_.setDevicePixelRatio(ratio);
    }
    QPainter bufferPainter(&buffer_);
    bufferPainter.setClipRect(area);
    PaintCells(bufferPainter, area);
    bufferPainter.end();
    QPainter painter(viewport());
    painter.drawImage(area, buffer_, QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio));
}

void TStringGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateExtents();
    KeepCurrentInGrid();
}

// The scroll bars count scrolling lines: their value is the first one shown, less the fixed lines.
void TStringGrid::scrollContentsBy(int, int)
{
    if (syncingScrollBars_)
        return;
    cols_.SetFirst(cols_.Fixed() + horizontalScrollBar()->value());
    rows_.SetFirst(rows_.Fixed() + verticalScrollBar()->value());
    viewport()->update();
}

void TStringGrid::keyPressEvent(QKeyEvent* event)
{
    if (Navigate(event)) {
        event->accept();
        return;
    }
    if (const std::optional<char> typed = TypedCharacter(event)) {
        char key = *typed;
        RunHandler([&] { KeyPress(key); });
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TStringGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    sizingCol_ = SizingColumnAt(point);
    if (sizingCol_ >= 0) {
        sizingStartX_ = point.x();
        sizingStartWidth_ = ColWidths(sizingCol_);
        return;
    }
    int col = 0;
    int row = 0;
    selecting_ = true;
    if (MouseToCell(point, col, row) && col >= FixedCols() && row >= FixedRows())
        FocusCell(col, row);
}

void TStringGrid::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (sizingCol_ >= 0) {
        SetColWidths(sizingCol_, sizingStartWidth_ + point.x() - sizingStartX_);
        return;
    }
    int col = 0;
    int row = 0;
    if (selecting_ && MouseToCell(point, col, row) && col >= FixedCols() && row >= FixedRows())
        FocusCell(col, row);
    if (event->buttons() == Qt::NoButton)
        viewport()->setCursor(SizingColumnAt(point) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event)
{
    sizingCol_ = -1;
    selecting_ = false;
    event->accept();
}

// The second press of a double click acts as a press first, so the hook sees the clicked cell current.
void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        RunHandler([this] { DblClick(); });
}

void TStringGrid::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TStringGrid::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// The background, then every visible cell that meets the area, each followed by its grid lines, then the
// focus rectangle.
void TStringGrid::PaintCells(QPainter& painter, const QRect& area)
{
    painter.fillRect(area, ToQColor(clWindow));
    TCanvas canvas(painter);
    canvas_ = &canvas;
    rows_.ForEachVisible([&](int row, int y) {
        if (y > area.bottom() || y + rows_.Size(row) < area.top())
            return;
        cols_.ForEachVisible([&](int col, int x) {
            const QRect rect(x, y, cols_.Size(col), rows_.Size(row));
            if (rect.adjusted(0, 0, TGridAxis::kLineWidth, TGridAxis::kLineWidth).intersects(area))
                PaintCell(canvas, col, row, rect);
        });
    });
    canvas_ = nullptr;
    PaintFocusRect(painter, area);
}

void TStringGrid::PaintCell(TCanvas& canvas, int col, int row, const QRect& rect)
{
    const TGridDrawState state = DrawState(col, row);
    const bool fixed = state.testFlag(gdFixed);
    const bool selected = state.testFlag(gdSelected);
    canvas.Brush = TBrush{fixed ? fixedColor_ : selected ? clHighlight : clWindow, bsSolid};
    canvas.Font = font_;
    if (selected)
        canvas.Font.Color = clHighlightText;
    QPainter& painter = canvas.Painter();
    painter.save();
    painter.setClipRect(rect);
    RunHandler([&] { DrawCell(col, row, rect, state); });
    painter.restore();
    if (fixed)
        PaintFixedEdges(painter, rect);
    PaintGridLines(painter, rect, fixed);
}

// The one-pixel lines right of and below a cell: black around fixed cells, silver between the others.
void TStringGrid::PaintGridLines(QPainter& painter, const QRect& rect, bool fixed)
{
    const QColor colour = ToQColor(fixed ? clBlack : clSilver);
    painter.fillRect(QRect(rect.left() + rect.width(), rect.top(), TGridAxis::kLineWidth, rect.height()), colour);
    painter.fillRect(QRect(rect.left(), rect.top() + rect.height(), rect.width() + TGridAxis::kLineWidth,
                           TGridAxis::kLineWidth),
                     colour);
}

// Fixed cells stand out: a light edge at the top and left, a shadow at the bottom and right.
void TStringGrid::PaintFixedEdges(QPainter& painter, const QRect& rect)
{
    if (rect.width() < 2 || rect.height() < 2)
        return;
    const QColor light = ToQColor(clBtnHighlight);
    const QColor shadow = ToQColor(clBtnShadow);
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), light);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), light);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), shadow);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), shadow);
}

void TStringGrid::PaintFocusRect(QPainter& painter, const QRect& area)
{
    const QRect rect = CellRect(col_, row_);
    if (!hasFocus() || rect.width() < 2 || rect.height() < 2 || !rect.intersects(area))
        return;
    painter.save();
    painter.setPen(QPen(ToQColor(clBlack), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

TGridDrawState TStringGrid::DrawState(int col, int row) const
{
    if (col < FixedCols() || row < FixedRows())
        return gdFixed;
    if (col != col_ || row != row_)
        return {};
    return hasFocus() ? gdSelected | gdFocused : TGridDrawState(gdSelected);
}

bool TStringGrid::Navigate(const QKeyEvent* event)
{
    const bool control = event->modifiers().testFlag(Qt::ControlModifier);
    long long col = col_;
    long long row = row_;
    switch (event->key()) {
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_PageUp: row -= VisibleRowCount(); break;
    case Qt::Key_PageDown: row += VisibleRowCount(); break;
    case Qt::Key_Home:
        col = FixedCols();
        row = control ? FixedRows() : row;
        break;
    case Qt::Key_End:
        col = ColCount() - 1;
        row = control ? RowCount() - 1 : row;
        break;
    default: return false;
    }
    RunHandler([&] {
        FocusCell(Clamped(col, FixedCols(), ColCount() - 1), Clamped(row, FixedRows(), RowCount() - 1));
    });
    return true;
}

void TStringGrid::FocusCell(int col, int row)
{
    if (col < FixedCols() || col >= ColCount() || row < FixedRows() || row >= RowCount())
        return;
    if ((col != col_ || row != row_) && !SelectCell(col, row))
        return;
    col_ = col;
    row_ = row;
    cols_.ScrollInto(col);
    rows_.ScrollInto(row);
    Changed();
}

int TStringGrid::SizingColumnAt(QPoint point) const
{
    const int row = rows_.IndexAt(point.y());
    int found = -1;
    if (row < 0 || row >= FixedRows())
        return found;
    cols_.ForEachVisible([&](int col, int x) {
        if (std::abs(point.x() - (x + cols_.Size(col))) <= kSizingReach)
            found = col;
    });
    return found;
}

void TStringGrid::KeepCurrentInGrid()
{
    col_ = std::clamp(col_, FixedCols(), ColCount() - 1);
    row_ = std::clamp(row_, FixedRows(), RowCount() - 1);
    cols_.ScrollInto(col_);
    rows_.ScrollInto(row_);
    Changed();
}

void TStringGrid::DropCellsOutside()
{
    std::erase_if(cells_, [this](const auto& cell) {
        return ColOfKey(cell.first) >= ColCount() || RowOfKey(cell.first) >= RowCount();
    });
}

void TStringGrid::UpdateScrollBars()
{
    syncingScrollBars_ = true;
    horizontalScrollBar()->setRange(0, cols_.MaxFirst() - cols_.Fixed());
    horizontalScrollBar()->setPageStep(cols_.PageCount());
    horizontalScrollBar()->setValue(cols_.First() - cols_.Fixed());
    verticalScrollBar()->setRange(0, rows_.MaxFirst() - rows_.Fixed());
    verticalScrollBar()->setPageStep(rows_.PageCount());
    verticalScrollBar()->setValue(rows_.First() - rows_.Fixed());
    syncingScrollBars_ = false;
}

void TStringGrid::UpdateExtents()
{
    cols_.SetExtent(viewport()->width());
    rows_.SetExtent(viewport()->height());
}

void TStringGrid::Changed()
{
    UpdateScrollBars();
    viewport()->update();
}
