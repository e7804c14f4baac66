// The grid base: hostile sizes and counts, geometry, painting of what is visible, navigation by keys and
// pointer, column sizing, and the hooks.
#include "classlib/widgets/stringgrid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kCell = 64 + TGridAxis::kLineWidth;   // default column and its grid line
constexpr int kRowStep = 24 + TGridAxis::kLineWidth; // default row and its grid line

// A grid that records its hooks and can refuse a column.
class RecordingGrid : public TStringGrid {
public:
    int drawn = 0;
    int refusedCol = -1;
    std::vector<char> keys;
    int doubleClicks = 0;

protected:
    void DrawCell(int ACol, int ARow, QRect rect, TGridDrawState state) override
    {
        ++drawn;
        TStringGrid::DrawCell(ACol, ARow, rect, state);
    }
    bool SelectCell(int ACol, int ARow) override { return ACol != refusedCol && TStringGrid::SelectCell(ACol, ARow); }
    void KeyPress(char& key) override { keys.push_back(key); }
    void DblClick() override { ++doubleClicks; }
};

class StringGrid : public testing::Test {
protected:
    StringGrid()
    {
        grid.resize(300, 200);
        grid.show();
        grid.setFocus();
        QApplication::processEvents();
    }

    QImage Rendered() { return grid.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QPoint CentreOf(int col, int row) const { return grid.CellRect(col, row).center(); }
    QPoint Current() const { return {grid.Col(), grid.Row()}; }

    RecordingGrid grid;
};

TEST_F(StringGrid, HostileSizesAndCountsAreLimited)
{
    const struct {
        const char* name;
        std::function<void(TStringGrid&)> set;
        std::function<int(const TStringGrid&)> get;
        int expected;
    } cases[] = {
        {"negative row count", [](TStringGrid& g) { g.SetRowCount(-5); }, &TStringGrid::RowCount, 1},
        {"zero column count", [](TStringGrid& g) { g.SetColCount(0); }, &TStringGrid::ColCount, 1},
        {"huge row count", [](TStringGrid& g) { g.SetRowCount(2'000'000'000); }, &TStringGrid::RowCount, 2'000'000'000},
        {"fixed rows past the rows", [](TStringGrid& g) { g.SetFixedRows(9); }, &TStringGrid::FixedRows, 4},
        {"negative fixed columns", [](TStringGrid& g) { g.SetFixedCols(-1); }, &TStringGrid::FixedCols, 0},
        {"huge column width", [](TStringGrid& g) { g.SetColWidths(1, INT_MAX); },
         [](const TStringGrid& g) { return g.ColWidths(1); }, TGridAxis::kMaxSize},
        {"negative row height", [](TStringGrid& g) { g.SetRowHeights(1, -40); },
         [](const TStringGrid& g) { return g.RowHeights(1); }, 0},
        {"width of a missing column", [](TStringGrid& g) { g.SetColWidths(7, 10); },
         [](const TStringGrid& g) { return g.ColWidths(7); }, 0},
        {"negative default height", [](TStringGrid& g) { g.SetDefaultRowHeight(-3); },
         &TStringGrid::DefaultRowHeight, 0},
        {"current row past the rows", [](TStringGrid& g) { g.SetRow(INT_MAX); }, &TStringGrid::Row, 1},
        {"current row after the rows shrink", [](TStringGrid& g) { g.SetRow(4), g.SetRowCount(3); },
         &TStringGrid::Row, 2},
        {"current row after more fixed rows", [](TStringGrid& g) { g.SetFixedRows(3); }, &TStringGrid::Row, 3},
    };
    for (const auto& c : cases) {
        TStringGrid fresh;
        fresh.resize(300, 200);
        c.set(fresh);
        EXPECT_EQ(c.get(fresh), c.expected) << c.name;
        EXPECT_FALSE(fresh.grab().isNull()) << c.name;
    }
}

TEST_F(StringGrid, TwoBillionRowsPaintOnlyTheVisibleCellsAndReachTheLastRow)
{
    grid.SetRowCount(2'000'000'000);
    grid.SetCells(1, 1'999'999'999, "last");
    grid.drawn = 0;
    Rendered();
    EXPECT_LE(grid.drawn, 5 * 8); // five columns, at most eight rows in 200 pixels
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Current(), QPoint(4, 1'999'999'999));
    const QRect last = grid.CellRect(4, 1'999'999'999);
    EXPECT_FALSE(last.isEmpty());
    EXPECT_LE(last.bottom(), grid.viewport()->height());
    EXPECT_EQ(grid.Cells(1, 1'999'999'999), AnsiString("last"));
}

TEST_F(StringGrid, CellRectsFollowWidthsFixedLinesAndScrolling)
{
    grid.SetColWidths(0, 30);
    EXPECT_EQ(grid.CellRect(0, 0), QRect(0, 0, 30, 24));
    EXPECT_EQ(grid.CellRect(2, 1), QRect(31 + kCell, kRowStep, 64, 24));
    EXPECT_TRUE(grid.CellRect(4, 1).isValid()); // partly visible at the right edge
    grid.SetRowCount(100);
    grid.SetRow(50);
    EXPECT_TRUE(grid.CellRect(1, 1).isEmpty()); // scrolled away
    EXPECT_EQ(grid.CellRect(1, 0).top(), 0);   // the fixed row stays
    const QRect current = grid.CellRect(1, 50);
    EXPECT_GE(current.top(), kRowStep);
    EXPECT_LE(current.bottom(), grid.viewport()->height());
}

TEST_F(StringGrid, KeysMoveTheCurrentCellAmongScrollingCells)
{
    grid.SetRowCount(40);
    const int page = grid.VisibleRowCount();
    ASSERT_GT(page, 2);
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QPoint expected;
    } steps[] = {
        {Qt::Key_Up, Qt::NoModifier, {1, 1}},        {Qt::Key_Left, Qt::NoModifier, {1, 1}},
        {Qt::Key_Right, Qt::NoModifier, {2, 1}},     {Qt::Key_Down, Qt::NoModifier, {2, 2}},
        {Qt::Key_End, Qt::NoModifier, {4, 2}},       {Qt::Key_Right, Qt::NoModifier, {4, 2}},
        {Qt::Key_Home, Qt::NoModifier, {1, 2}},      {Qt::Key_PageDown, Qt::NoModifier, {1, 2 + page}},
        {Qt::Key_PageUp, Qt::NoModifier, {1, 2}},    {Qt::Key_End, Qt::ControlModifier, {4, 39}},
        {Qt::Key_PageDown, Qt::NoModifier, {4, 39}}, {Qt::Key_Home, Qt::ControlModifier, {1, 1}},
    };
    for (const auto& step : steps) {
        QTest::keyClick(&grid, step.key, step.modifiers);
        EXPECT_EQ(Current(), step.expected) << QTest::toString(step.key);
        EXPECT_FALSE(grid.CellRect(grid.Col(), grid.Row()).isEmpty()) << "current cell scrolled out of view";
    }
}

TEST_F(StringGrid, SelectCellRefusalKeepsTheCurrentCell)
{
    grid.refusedCol = 2;
    QTest::keyClick(&grid, Qt::Key_Right);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, CentreOf(2, 3));
    EXPECT_EQ(Current(), QPoint(1, 1));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, CentreOf(3, 3));
    EXPECT_EQ(Current(), QPoint(3, 3));
}

TEST_F(StringGrid, ClicksOnFixedCellsSelectNothing)
{
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, CentreOf(0, 3));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, CentreOf(2, 0));
    EXPECT_EQ(Current(), QPoint(1, 1));
}

TEST_F(StringGrid, DraggingAColumnBorderInTheFixedRowSizesTheColumn)
{
    const QPoint border(2 * kCell - 1, 10);
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, border);
    QTest::mouseMove(grid.viewport(), border + QPoint(30, 0));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, border + QPoint(30, 0));
    EXPECT_EQ(grid.ColWidths(1), 94);
    EXPECT_EQ(grid.ColWidths(2), 64);
    EXPECT_EQ(Current(), QPoint(1, 1));
}

TEST_F(StringGrid, TypedCharactersReachKeyPressAsCodePageBytes)
{
    QTest::keyClick(&grid, Qt::Key_A);
    QTest::keyClick(&grid, Qt::Key_Return);
    QTest::keyClick(&grid, Qt::Key_Escape);
    QTest::sendKeyEvent(QTest::Click, &grid, Qt::Key_unknown, QString::fromUtf8("ж"), Qt::NoModifier);
    EXPECT_EQ(grid.keys, (std::vector<char>{'a', '\r', '\x1b', '\xE6'}));
}

TEST_F(StringGrid, DoubleClickReachesDblClick)
{
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, CentreOf(2, 2));
    EXPECT_EQ(grid.doubleClicks, 1);
}

TEST_F(StringGrid, BaseHooksRaiseTheGridEvents)
{
    TStringGrid plain;
    std::string raised;
    QObject::connect(&plain, &TStringGrid::OnKeyPress, [&](QObject*, char& key) { raised += key; });
    QObject::connect(&plain, &TStringGrid::OnDblClick, [&](QObject*) { raised += "dbl"; });
    QObject::connect(&plain, &TStringGrid::OnSelectCell,
                     [&](QObject*, int col, int, bool& canSelect) { canSelect = col != 3; });
    plain.resize(300, 200);
    plain.show();
    QApplication::processEvents();
    QTest::keyClick(&plain, Qt::Key_X);
    QTest::mouseDClick(plain.viewport(), Qt::LeftButton, {}, plain.CellRect(2, 2).center());
    plain.SetCol(3);
    EXPECT_EQ(raised, "xdbl");
    EXPECT_EQ(plain.Col(), 2);
}

TEST_F(StringGrid, ShrinkingDropsTheCellsOutside)
{
    grid.SetCells(3, 3, "kept");
    grid.SetCells(4, 4, "gone");
    grid.SetRowCount(4);
    grid.SetRowCount(5);
    EXPECT_EQ(grid.Cells(3, 3), AnsiString("kept"));
    EXPECT_EQ(grid.Cells(4, 4), AnsiString());
    EXPECT_EQ(grid.Cells(-1, 0), AnsiString());
}

TEST_F(StringGrid, PaintsFixedCurrentAndPlainCellsWithGridLines)
{
    grid.SetFixedColor(clLime);
    grid.SetCells(2, 2, "W");
    TFont font;
    font.Color = clRed;
    font.Size = 14;
    grid.SetFont(font);
    const QImage image = Rendered();
    const auto colourAt = [&](QPoint p) { return FromQRgb(image.pixel(p)); };
    EXPECT_EQ(colourAt(CentreOf(0, 2)), clLime);
    EXPECT_EQ(colourAt(CentreOf(1, 1)), ColorToRGB(clHighlight));
    EXPECT_EQ(colourAt(CentreOf(3, 3)), ColorToRGB(clWindow));
    EXPECT_EQ(colourAt({kCell + 10, 2 * kRowStep - 1}), clSilver); // line below a plain cell
    EXPECT_EQ(colourAt({kCell - 1, 2 * kRowStep + 10}), clBlack);  // line right of a fixed cell
    const QRect text = grid.CellRect(2, 2);
    int red = 0;
    for (int y = text.top(); y <= text.bottom(); ++y)
        for (int x = text.left(); x <= text.right(); ++x)
            red += colourAt({x, y}) == clRed;
    EXPECT_GT(red, 10);
}

TEST_F(StringGrid, FocusRectangleOnlyWhileTheGridHasFocus)
{
    const QRect current = grid.CellRect(1, 1);
    const auto blackOnEdge = [&](const QImage& image) {
        int black = 0;
        for (int x = current.left(); x <= current.right(); ++x)
            black += FromQRgb(image.pixel(x, current.top())) == clBlack;
        return black;
    };
    EXPECT_GT(blackOnEdge(Rendered()), 10);
    grid.clearFocus();
    EXPECT_EQ(blackOnEdge(Rendered()), 0);
}

TEST_F(StringGrid, DoubleBufferedPaintsTheSame)
{
    grid.SetCells(1, 2, "double");
    const QImage direct = Rendered();
    grid.SetDoubleBuffered(true);
    EXPECT_EQ(Rendered(), direct);
}

TEST_F(StringGrid, RenderedStatesForPeopleToLookAt)
{
    grid.SetRowCount(30);
    for (int row = 0; row < 30; ++row)
        for (int col = 0; col < 5; ++col)
            grid.SetCells(col, row, AnsiString(std::to_string(col) + ":" + std::to_string(row)));
    grid.SetColWidths(0, 40);
    const QImage first = Rendered();
    grid.SetRow(20);
    grid.SetCol(4);
    const QImage scrolled = Rendered();
    QImage sheet(first.width() * 2 + 10, first.height(), QImage::Format_RGB32);
    sheet.fill(Qt::magenta);
    QPainter painter(&sheet);
    painter.drawImage(0, 0, first);
    painter.drawImage(first.width() + 10, 0, scrolled);
    painter.end();
    EXPECT_TRUE(sheet.save(QCoreApplication::applicationDirPath() + "/stringgrid_states.png"));
    EXPECT_NE(first, scrolled);
}

} // namespace
