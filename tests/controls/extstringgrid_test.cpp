// The field grid: rows and current row after refills, columns of visible fields, cell texts by type,
// painting of captions, text and pictures, and editing through attached controls driven by real keys and
// clicks.
#include "controls/extstringgrid.h"

#include "classlib/graphics/bitmap.h"
#include "classlib/widgets/combobox.h"
#include "classlib/widgets/edit.h"
#include "classlib/base/exception.h"
#include "classlib/base/formatsettings.h"
#include "classlib/forms/formreader.h"
#include "controltestsupport.h"
#include "controls/controlclasses.h"
#include "controls/validateedit.h"
#include "pixeltestsupport.h"
#include "png/pngimagelist.h"
#include "support/peakmemory.h"
#include "support/tempfolder.h"
#include "support/testchild.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>

#include <climits>
#include <filesystem>
#include <optional>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using ::PrintTo;

// One description line: visible, name, caption, width, header flag, type, format, alignment, cell colour.
AnsiString Line(const std::string& name, const std::string& type, const std::string& alignment = "left",
                const std::string& format = "", const std::string& cellColour = "#FFFFFF", int width = 80,
                const std::string& visible = "1", const std::string& header = "0")
{
    return AnsiString::FromUtf8(visible + "|" + name + "|" + name + "|" + std::to_string(width) + "|" + header + "|" +
                                type + "|" + format + "|" + alignment + "|" + cellColour +
                                "|DejaVu Sans|10|#000000|0000");
}

AnsiString Text(const char* utf8)
{
    return AnsiString::FromUtf8(utf8);
}

bool IsBlank(const AnsiString& text)
{
    return text.Bytes().find_first_not_of(' ') == std::string::npos;
}

// Two solid pictures, red and green.
std::unique_ptr<TPngImageList> TwoPictures()
{
    auto list = std::make_unique<TPngImageList>();
    list->SetWidth(12);
    list->SetHeight(12);
    for (const TColor colour : {clRed, clLime}) {
        TBitmap square(12, 12, pf24bit);
        square.Fill(colour);
        list->Add(&square, nullptr);
    }
    return list;
}

class ExtStringGridTest : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterWindowFonts(); }

    ExtStringGridTest()
    {
        window.resize(460, 260);
        grid.setGeometry(10, 10, 420, 220);
        edit.hide();
        window.show();
        window.activateWindow();
        QApplication::processEvents();
    }

    ~ExtStringGridTest() override { FormatSettings() = savedSettings; }

    void SetFields(std::initializer_list<AnsiString> lines) { grid.fSetFields(QList<AnsiString>(lines)); }

    // Fields key (int, in the fixed first column), name (text), count (int), price (double with two
    // decimals); n values each.
    void FourFields(int n)
    {
        SetFields({Line("key", "int"), Line("name", "AnsiString"), Line("count", "int", "right"),
                   Line("price", "double", "center", "0.00")});
        for (int i = 0; i < n; ++i) {
            grid.AddValue("key", Variant(i));
            grid.AddValue("name", Variant(AnsiString("n" + std::to_string(i))));
            grid.AddValue("count", Variant(i));
            grid.AddValue("price", Variant(i + 0.5));
        }
        grid.Redraw();
    }

    void Attach(const char* field, QWidget& control)
    {
        grid.gCanEditGrid = true;
        grid.AssignEditControl(field, &control);
    }

    void ClickCell(int col, int row) { QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.CellRect(col, row).center()); }

    void Current(int col, int row)
    {
        grid.setFocus();
        grid.SetCol(col);
        grid.SetRow(row);
    }

    QImage Rendered() { return grid.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    TFormatSettings savedSettings = FormatSettings();
    QWidget window;
    TExtStringGrid grid{&window};
    TEdit edit{&window};
};

TEST_F(ExtStringGridTest, RowsAndFixedLinesFollowTheValues)
{
    const struct {
        const char* name;
        std::vector<int> counts; // values per field
        int rows;
        int fixed;
    } cases[] = {
        {"no values", {0, 0}, 1, 0},
        {"first field empty decides", {0, 4}, 1, 0},
        {"three and five", {3, 5}, 6, 1},
        {"one value", {1, 0}, 2, 1},
    };
    for (const auto& c : cases) {
        SetFields({Line("a", "int"), Line("b", "int")});
        for (std::uint32_t field = 0; field < c.counts.size(); ++field)
            for (int i = 0; i < c.counts[field]; ++i)
                grid.AddValue(field, Variant(i));
        grid.Redraw();
        EXPECT_EQ(grid.RowCount(), c.rows) << c.name;
        EXPECT_EQ(grid.FixedRows(), c.fixed) << c.name;
        EXPECT_EQ(grid.FixedCols(), c.fixed) << c.name;
    }
}

TEST_F(ExtStringGridTest, ClearLeavesOnlyTheCaptions)
{
    FourFields(4);
    grid.Clear();
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.FixedRows(), 0);
    EXPECT_EQ(grid.Cells(2, 0), AnsiString("count"));
    EXPECT_EQ(grid.GetSizeField(0u), 0);
}

TEST_F(ExtStringGridTest, CurrentRowStaysOrMovesToTheLastRow)
{
    FourFields(8);
    Current(1, 7);
    grid.Redraw();
    EXPECT_EQ(grid.Row(), 7);
    FourFields(3);
    grid.SetRowCount(10);
    Current(1, 7);
    grid.Redraw();
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Row(), 3);
}

TEST_F(ExtStringGridTest, TablesWithoutShownValuesShowOnlyCaptions)
{
    const struct {
        const char* name;
        std::vector<AnsiString> lines;
    } cases[] = {
        {"no fields", {}},
        {"only hidden fields", {Line("a", "int", "left", "", "#FFFFFF", 80, "0"), Line("b", "int", "left", "", "#FFFFFF", 80, "0")}},
    };
    for (const auto& c : cases) {
        grid.fSetFields(QList<AnsiString>(c.lines.begin(), c.lines.end()));
        for (std::uint32_t field = 0; field < c.lines.size(); ++field)
            grid.AddValue(field, Variant(7));
        grid.Redraw();
        EXPECT_EQ(grid.RowCount(), 1) << c.name;
        EXPECT_EQ(grid.GetCurIndex(), -1) << c.name;
        EXPECT_FALSE(Rendered().isNull()) << c.name;
        QTest::keyClick(&grid, Qt::Key_Return);
    }
}

TEST_F(ExtStringGridTest, CellTextsFollowTheFieldTypes)
{
    FormatSettings().DecimalSeparator = ',';
    SetFields({Line("text", "AnsiString"), Line("int", "int"), Line("double", "double", "left", "0.00"),
               Line("date", "TDateTime", "left", "dd.mm.yyyy"), Line("other", "Currency")});
    grid.AddValue("text", Variant(Text("Стираем")));
    grid.AddValue("int", Variant(-12));
    grid.AddValue("double", Variant(2.5));
    grid.AddValue("date", Variant(TDateTime(45000.75)));
    grid.AddValue("other", Variant(3));
    grid.Redraw();
    EXPECT_EQ(grid.Cells(0, 1), Text("Стираем"));
    EXPECT_EQ(grid.Cells(1, 1), AnsiString("-12"));
    EXPECT_EQ(grid.Cells(2, 1), AnsiString("2,50"));
    EXPECT_EQ(grid.Cells(3, 1), AnsiString("15.03.2023"));
    EXPECT_TRUE(IsBlank(grid.Cells(4, 1)));
}

// A value its field cannot show (text in a number field, a date outside the calendar) leaves its cell blank,
// and the refill still sets the rows and fixed lines.
TEST_F(ExtStringGridTest, ValuesTheFieldCannotShowLeaveTheirCellBlank)
{
    SetFields({Line("double", "double", "left", "0.00"), Line("date", "TDateTime", "left", "dd.mm.yyyy")});
    for (const Variant& value : {Variant(Text("abc")), Variant(1.5)})
        grid.AddValue("double", value);
    for (const Variant& value : {Variant(TDateTime(1e9)), Variant(Text("x")), Variant(TDateTime(2.0))})
        grid.AddValue("date", value);
    ASSERT_NO_THROW(grid.Redraw());
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_TRUE(IsBlank(grid.Cells(0, 1)));
    EXPECT_FALSE(IsBlank(grid.Cells(0, 2)));
    EXPECT_TRUE(IsBlank(grid.Cells(1, 1)));
    EXPECT_TRUE(IsBlank(grid.Cells(1, 2)));
    EXPECT_EQ(grid.Cells(1, 3), AnsiString("01.01.1900"));
}

TEST_F(ExtStringGridTest, HiddenFieldsHaveNoColumnAndTakeNoValues)
{
    SetFields({Line("a", "int"), Line("hidden", "int", "left", "", "#FFFFFF", 80, "0"), Line("c", "AnsiString")});
    grid.AddValue("a", Variant(1));
    grid.AddValue("hidden", Variant(99));
    grid.AddValue("c", Variant(AnsiString("old")));
    grid.Redraw();
    EXPECT_EQ(grid.ColCount(), 2);
    EXPECT_EQ(grid.Cells(1, 0), AnsiString("c"));
    EXPECT_EQ(grid.Cells(1, 1), AnsiString("old"));
    Attach("c", edit);
    Current(1, 1);
    std::uint32_t field = 0;
    std::int32_t row = 0;
    EXPECT_EQ(grid.GetCurPos(field, row), 1);
    EXPECT_EQ(field, 2u);
    QTest::keyClick(&grid, Qt::Key_Return);
    QTest::keyClicks(&edit, "new");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(grid.StrValues("c", 1), Variant(AnsiString("new")));
    EXPECT_EQ(grid.StrValues("hidden", 1), Variant(99));
}

TEST_F(ExtStringGridTest, CaptionHeightAppliesAtOnce)
{
    FourFields(2);
    grid.fSetCaptionHeight(30);
    EXPECT_EQ(grid.RowHeights(0), 30);
    EXPECT_EQ(grid.CellRect(1, 1).top(), 30 + TGridAxis::kLineWidth);
}

TEST_F(ExtStringGridTest, MoreVisibleFieldsThanColumnsGetTheirColumns)
{
    grid.SetColCount(5);
    QList<AnsiString> lines;
    for (int i = 0; i < 8; ++i)
        lines.append(Line("f" + std::to_string(i), "int", "left", "", "#FFFFFF", 30 + i));
    grid.fSetFields(lines);
    ASSERT_EQ(grid.ColCount(), 8);
    for (int col = 0; col < 8; ++col) {
        EXPECT_EQ(grid.ColWidths(col), 30 + col);
        EXPECT_EQ(grid.Cells(col, 0), AnsiString("f" + std::to_string(col)));
    }
}

TEST_F(ExtStringGridTest, FieldFontsTakeFaceSizeColourAndStyles)
{
    SetFields({Line("key", "int"), AnsiString("1|b|b|50|0|int||left|#FFFFFF|Arial|14|#FF0000|0101x")});
    const TFont& font = *grid.FieldsTable()[1].Font;
    EXPECT_EQ(font.Name, AnsiString("Arial"));
    EXPECT_EQ(font.Size, 14);
    EXPECT_EQ(font.Color, clRed);
    EXPECT_FALSE(font.Bold);
    EXPECT_TRUE(font.Italic);
    EXPECT_FALSE(font.Underline);
    EXPECT_TRUE(font.StrikeOut);
}

TEST_F(ExtStringGridTest, ShortFontStyleStopsTheSetUpWithARangeError)
{
    EXPECT_THROW(SetFields({Line("a", "int"), AnsiString("1|b|b|50|0|int||left|#FFFFFF|Arial|10|#000000|10")}),
                 ERangeError);
    EXPECT_NE(grid.FieldsTable()[0].Font, nullptr);
    EXPECT_EQ(grid.FieldsTable()[1].Font, nullptr);
    EXPECT_FALSE(Rendered().isNull());
}

TEST_F(ExtStringGridTest, WidthsFileIsLoadedLimitedAndSavedAtDestruction)
{
    TTempFolder folder;
    const std::string path = folder.File("widths.txt");
    WriteTextFile(path, "2000000000\n-7\n");
    auto owner = std::make_unique<TExtStringGrid>(&window);
    owner->resize(300, 150);
    owner->fSetFileWidths(AnsiString(path));
    owner->fSetFields({Line("a", "int"), Line("b", "int"), Line("c", "int")});
    const int widest = owner->ColWidths(0);
    EXPECT_GT(widest, 1000);
    EXPECT_LE(widest, TGridAxis::kMaxSize);
    EXPECT_EQ(owner->ColWidths(1), 0);
    EXPECT_EQ(owner->ColWidths(2), 0); // the last width read
    EXPECT_FALSE(owner->grab().isNull());
    owner->SetColWidths(1, 44);
    owner.reset();
    EXPECT_EQ(ReadTextFile(path), std::to_string(widest) + "\n44\n0\n");
}

TEST_F(ExtStringGridTest, NamingTheWidthsFileAgainDeletesItUntilDestruction)
{
    TTempFolder folder;
    const std::string path = folder.File("widths.txt");
    auto owner = std::make_unique<TExtStringGrid>(&window);
    owner->fSetFileWidths(AnsiString(path));
    owner->fSetFields({Line("a", "int", "left", "", "#FFFFFF", 50)});
    WriteTextFile(path, "70\n");
    owner->fSetFileWidths(AnsiString(path));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(owner->ColWidths(0), 50); // nothing loaded until the next Init
    owner.reset();
    EXPECT_EQ(ReadTextFile(path), "50\n");
}

// A grid of two billion columns costs no more than the widths it holds: saving writes every column up to the
// run of equal widths at the end, and giving the columns after a short file's end its last width is one step.
TEST_F(ExtStringGridTest, HugeGridSavesAndLoadsItsWidthsInLittleMemory)
{
    TTempFolder folder;
    const std::string path = folder.File("widths.txt");
    const int standard = grid.DefaultColWidth();
    const std::optional<std::size_t> growth = PeakMemoryGrowth(
        [&] {
            LimitAddressSpace(std::size_t{1} << 30);
            TExtStringGrid huge;
            huge.SetColCount(INT_MAX);
            huge.SetColWidths(2, 77);
            huge.fSetFileWidths(AnsiString(path));
        },
        std::chrono::seconds(120));
    ASSERT_TRUE(growth.has_value()) << "the child did not finish";
    EXPECT_LT(*growth, std::size_t{64} << 20);
    const std::string d = std::to_string(standard);
    EXPECT_EQ(ReadTextFile(path), d + "\n" + d + "\n77\n" + d + "\n");

    grid.SetColCount(INT_MAX);
    grid.SetColWidthsFrom(3, 30);
    EXPECT_EQ(grid.ColWidths(2), standard);
    EXPECT_EQ(grid.ColWidths(INT_MAX - 1), 30);
    EXPECT_EQ(grid.UniformColWidthsFrom(), 3);
    grid.SetColWidths(INT_MAX - 1, 31);
    EXPECT_EQ(grid.UniformColWidthsFrom(), INT_MAX - 1);
}

// The grid a failed read made is deleted without writing the widths file its description names, and a
// file already there keeps its contents.
TEST_F(ExtStringGridTest, GridOfAFailedReadWritesNoWidthsFile)
{
    RegisterControlClasses();
    TTempFolder folder;
    const std::string fresh = folder.File("fresh widths");
    const std::string kept = folder.File("kept");
    WriteTextFile(kept, "12\n");
    for (const std::string& path : {fresh, kept}) {
        QWidget form;
        const std::string text = "object Form: QWidget\n  object Grid: TExtStringGrid\n    gFileWidths = '" + path +
                                 "'\n    ColCount = 3\n  end\n  object Broken: TNoSuchClass\n  end\nend\n";
        EXPECT_THROW(TFormReader::Read(&form, text), EReadError) << path;
    }
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_EQ(ReadTextFile(kept), "12\n");
}

// The gradient of a rectangle as the canvas fills it, for comparison.
QImage Gradient(QSize size, TGradientFillMode mode)
{
    QImage image(size, QImage::Format_RGB32);
    TCanvas canvas(&image);
    canvas.GradientFill(QRect(QPoint(0, 0), size), clCream, clGradientActiveCaption, mode);
    return image;
}

TEST_F(ExtStringGridTest, CaptionsAndHeaderCellsPaintTheGradient)
{
    SetFields({Line("key", "int"), Line("head", "AnsiString", "left", "", "#FFFFFF", 120, "1", "1")});
    grid.AddValue(0u, Variant(1));
    grid.AddValue(1u, Variant(AnsiString("")));
    grid.Redraw();
    const QImage image = Rendered();
    // Vertical in the caption row (left of the centred caption, inside the fixed cell's edges), horizontal
    // in a header-style cell.
    const QRect caption = grid.CellRect(1, 0);
    const QImage vertical = Gradient(caption.size(), GRADIENT_FILL_RECT_V);
    for (int y = 1; y < caption.height() - 1; ++y)
        EXPECT_EQ(image.pixel(caption.left() + 3, caption.top() + y), vertical.pixel(3, y)) << y;
    const QRect header = grid.CellRect(1, 1);
    const QImage horizontal = Gradient(header.size(), GRADIENT_FILL_RECT_H);
    for (int x = 0; x < header.width(); ++x)
        EXPECT_EQ(image.pixel(header.left() + x, header.top() + 3), horizontal.pixel(x, 3)) << x;
    EXPECT_TRUE(PixelIs(image, header.left(), header.top() + 3, clCream));
}

TEST_F(ExtStringGridTest, TextCellsTakeTheirColoursAndAlignment)
{
    SetFields({Line("a", "AnsiString", "left", "", "#FFFF00", 120), Line("b", "AnsiString", "right", "", "#FFFF00", 120),
               Line("c", "AnsiString", "center", "", "#FFFF00", 120)});
    for (std::uint32_t field = 0; field < 3; ++field) {
        grid.AddValue(field, Variant(AnsiString("III")));
        grid.AddValue(field, Variant(AnsiString("III")));
    }
    grid.Redraw();
    Current(1, 2);
    const QImage image = Rendered();
    const TColor yellow = RGBColor(255, 255, 0);
    EXPECT_TRUE(PixelIs(image, grid.CellRect(1, 1).left() + 1, grid.CellRect(1, 1).top() + 1, yellow));
    EXPECT_TRUE(PixelIs(image, grid.CellRect(1, 2).left() + 1, grid.CellRect(1, 2).top() + 1, clHighlight));
    // Where the ink of row 1 sits in each cell: left, right or centre.
    const struct {
        int col;
        double lowest, highest; // bounds of the ink's centre as a share of the cell width
    } placements[] = {{0, 0.0, 0.2}, {1, 0.8, 1.0}, {2, 0.4, 0.6}};
    for (const auto& p : placements) {
        const QRect cell = grid.CellRect(p.col, 1);
        int sum = 0;
        int count = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (qGray(image.pixel(x, y)) < 100)
                    sum += x - cell.left(), ++count;
        ASSERT_GT(count, 5) << p.col;
        const double centre = double(sum) / count / cell.width();
        EXPECT_GE(centre, p.lowest) << p.col;
        EXPECT_LE(centre, p.highest) << p.col;
    }
}

TEST_F(ExtStringGridTest, PictureCellsShowThePictureTheirTextNames)
{
    const std::unique_ptr<TPngImageList> pictures = TwoPictures();
    SetFields({Line("key", "int"), Line("picture", "AnsiString", "left", "", "#FFFFFF", 60)});
    grid.AssignPIL("picture", pictures.get());
    for (const char* text : {"1", "2", "01", "0"}) {
        grid.AddValue(0u, Variant(1));
        grid.AddValue(1u, Variant(AnsiString(text)));
    }
    grid.Redraw();
    Current(1, 4);
    const QImage image = Rendered();
    const auto centre = [&](int row) { return grid.CellRect(1, row).center(); };
    EXPECT_TRUE(PixelIs(image, centre(1).x(), centre(1).y(), clLime));
    EXPECT_TRUE(PixelIs(image, centre(2).x(), centre(2).y(), clWhite)); // "2" of two pictures: none
    EXPECT_TRUE(PixelIs(image, centre(3).x(), centre(3).y(), clWhite)); // "01" is no index as written
    EXPECT_TRUE(PixelIs(image, centre(4).x(), centre(4).y(), clRed));
    EXPECT_TRUE(PixelIs(image, grid.CellRect(1, 4).left() + 1, centre(4).y(), clHighlight)); // selected
}

// Opening the control: Enter or a double click on a cell with a value, only when editing is allowed and the
// field has a control.
TEST_F(ExtStringGridTest, EnterAndDoubleClickOpenTheControlOverTheCell)
{
    const struct {
        const char* name;
        bool canEdit;
        bool attach;
        bool doubleClick;
        bool opens;
    } cases[] = {
        {"Enter", true, true, false, true},
        {"double click", true, true, true, true},
        {"editing not allowed", false, true, false, false},
        {"no control", true, false, false, false},
        {"double click, editing not allowed", false, true, true, false},
    };
    for (const auto& c : cases) {
        FourFields(3);
        if (c.attach)
            Attach("count", edit);
        grid.gCanEditGrid = c.canEdit;
        Current(2, 2);
        if (c.doubleClick)
            QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, grid.CellRect(2, 2).center());
        else
            QTest::keyClick(&grid, Qt::Key_Return);
        EXPECT_EQ(edit.isVisible(), c.opens) << c.name;
        if (!c.opens)
            continue;
        const QRect cell = grid.CellRect(2, 2);
        const QPoint corner = grid.viewport()->mapTo(&window, cell.topLeft());
        EXPECT_EQ(edit.geometry(), QRect(corner - QPoint(1, 1), cell.size() + QSize(2, 2))) << c.name;
        EXPECT_TRUE(edit.hasFocus()) << c.name;
        EXPECT_EQ(edit.text(), "1") << c.name;
        EXPECT_EQ(edit.selectedText(), "1") << c.name;
        QTest::keyClick(&edit, Qt::Key_Escape);
    }
}

TEST_F(ExtStringGridTest, LeavingTheControlStoresOrKeepsTheValue)
{
    const struct {
        const char* name;
        const char* field;
        const char* typed;
        char decimalSeparator;
        enum { Enter, Escape, ClickElsewhere } leave;
        Variant stored;
        const char* shown;
    } cases[] = {
        {"Enter stores text", "name", "abc", '.', decltype(cases[0].leave)::Enter, Variant(AnsiString("abc")), "abc"},
        {"Escape keeps the value", "count", "77", '.', decltype(cases[0].leave)::Escape, Variant(1), "1"},
        {"a click elsewhere stores", "count", "77", '.', decltype(cases[0].leave)::ClickElsewhere, Variant(77), "77"},
        {"12a in an int field", "count", "12a", '.', decltype(cases[0].leave)::Enter, Variant(0), "0"},
        {"regional decimal comma", "price", "2,75", ',', decltype(cases[0].leave)::Enter, Variant(2.75), "2,75"},
        {"full stop under a comma", "price", "2.75", ',', decltype(cases[0].leave)::Enter, Variant(0.0), "0,00"},
    };
    for (const auto& c : cases) {
        FormatSettings().DecimalSeparator = c.decimalSeparator;
        FourFields(3);
        Attach(c.field, edit);
        std::uint32_t field = 0;
        grid.FindField(c.field, field);
        Current(int(field), 2);
        QTest::keyClick(&grid, Qt::Key_Return);
        ASSERT_TRUE(edit.isVisible()) << c.name;
        QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(&edit, c.typed);
        if (c.leave == decltype(c.leave)::Enter)
            QTest::keyClick(&edit, Qt::Key_Return);
        else if (c.leave == decltype(c.leave)::Escape)
            QTest::keyClick(&edit, Qt::Key_Escape);
        else
            ClickCell(0, 3);
        EXPECT_FALSE(edit.isVisible()) << c.name;
        EXPECT_EQ(grid.Values(field, 2), c.stored) << c.name;
        EXPECT_EQ(grid.Cells(int(field), 2), AnsiString(c.shown)) << c.name;
    }
}

TEST_F(ExtStringGridTest, ComboBoxSelectsTheItemOfTheValueOrTheFirst)
{
    TComboBox combo(&window);
    combo.hide();
    combo.SetItems({"0", "1", "2"});
    FourFields(3);
    grid.fSetStrValues("count", 3, Variant(9));
    Attach("count", combo);
    const struct {
        int row;
        int item;
    } cases[] = {{2, 1}, {3, 0}};
    for (const auto& c : cases) {
        Current(2, c.row);
        combo.SetItemIndex(2);
        QTest::keyClick(&grid, Qt::Key_Return);
        EXPECT_EQ(combo.ItemIndex(), c.item) << c.row;
        QTest::keyClick(&combo, Qt::Key_Escape);
    }
}

// The attached combo box finds the value's item as the platform's own search does, ignoring letter case,
// but takes an item of the very same text before one that differs in case.
TEST_F(ExtStringGridTest, ComboBoxFindsTheValueIgnoringCaseButPrefersTheSameText)
{
    TComboBox combo(&window);
    combo.hide();
    combo.SetItems({"Alpha", "beta", "BETA"});
    FourFields(3);
    Attach("name", combo);
    const struct {
        const char* value;
        int item;
    } cases[] = {{"ALPHA", 0}, {"BETA", 2}, {"Beta", 1}, {"gamma", 0}};
    for (const auto& c : cases) {
        grid.fSetStrValues("name", 2, Variant(AnsiString(c.value)));
        Current(1, 2);
        QTest::keyClick(&grid, Qt::Key_Return);
        EXPECT_EQ(combo.ItemIndex(), c.item) << c.value;
        QTest::keyClick(&combo, Qt::Key_Escape);
    }
}

// A date outside the calendar has no text form: the control shows no text (never the text of the cell edited
// before), and leaving it unchanged keeps the value; only a text the user gives replaces it.
TEST_F(ExtStringGridTest, AValueWithoutTextShowsNothingAndStaysUnlessTheUserGivesText)
{
    TComboBox combo(&window);
    combo.hide();
    combo.SetItems({"x", "y"});
    const Variant noText(TDateTime(1e9));
    const struct {
        const char* name;
        QWidget* control;
        std::function<void()> edit;
        Variant stored;
    } cases[] = {
        {"edit box left with Enter", &edit, [] {}, noText},
        {"combo box left with Enter", &combo, [] {}, noText},
        {"edit box given a text", &edit, [this] { QTest::keyClicks(&edit, "new"); }, Variant(AnsiString("new"))},
        {"combo box given an item", &combo, [&combo] { QTest::keyClick(&combo, Qt::Key_Down); },
         Variant(AnsiString("y"))},
    };
    for (const auto& c : cases) {
        FourFields(3);
        grid.fSetStrValues("name", 2, noText);
        Attach("name", *c.control);
        Current(1, 1);
        QTest::keyClick(&grid, Qt::Key_Return);
        QTest::keyClick(c.control, Qt::Key_Return);
        Current(1, 2);
        QTest::keyClick(&grid, Qt::Key_Return);
        ASSERT_TRUE(c.control->hasFocus()) << c.name;
        if (c.control == &edit) {
            EXPECT_EQ(edit.text(), "") << c.name;
        }
        c.edit();
        QTest::keyClick(c.control, Qt::Key_Return);
        EXPECT_EQ(grid.Values(1u, 2), c.stored) << c.name;
    }
}

// Opening the attached combo box's list keeps the box open over the cell, so a value can be picked from it.
TEST_F(ExtStringGridTest, AValuePickedFromTheAttachedComboBoxListIsStored)
{
    for (const TComboBox::TComboBoxStyle style : {TComboBox::csDropDown, TComboBox::csDropDownList}) {
        TComboBox combo(&window);
        combo.hide();
        combo.SetStyle(style);
        combo.SetItems({"n0", "x", "y"});
        FourFields(3);
        Attach("name", combo);
        Current(1, 1);
        QTest::keyClick(&grid, Qt::Key_Return);
        ASSERT_TRUE(combo.hasFocus()) << style;
        QTest::keyClick(&combo, Qt::Key_Down, Qt::AltModifier);
        QAbstractItemView* list = combo.view();
        ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); }, 5000)) << style;
        EXPECT_TRUE(combo.isVisible()) << style << ": the list opened and the box stays";
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(2, 0)).center());
        ASSERT_TRUE(QTest::qWaitFor([list] { return !list->isVisible(); }, 5000)) << style;
        EXPECT_TRUE(combo.isVisible()) << style;
        combo.setFocus();
        QTest::keyClick(&combo, Qt::Key_Return);
        EXPECT_FALSE(combo.isVisible()) << style;
        EXPECT_EQ(grid.Values(1u, 1), Variant(AnsiString("y"))) << style;
    }
}

TEST_F(ExtStringGridTest, ControlsOfAnEarlierTableNoLongerReachTheGrid)
{
    FourFields(3);
    Attach("count", edit);
    SetFields({Line("count", "int")});
    grid.AddValue(0u, Variant(5));
    grid.Redraw();
    edit.show();
    edit.setText("8");
    edit.setFocus();
    grid.setFocus();
    EXPECT_EQ(grid.Values(0u, 1), Variant(5));
    EXPECT_TRUE(edit.isVisible());
}

// Lines read from a description take effect when the owner calls Init, which raises the errors of bad lines.
TEST_F(ExtStringGridTest, WindowDescriptionStoresTheFieldLinesForInit)
{
    RegisterControlClasses();
    QWidget form;
    TFormReader::Read(&form, "object Form: QWidget\n"
                             "  object Grid: TExtStringGrid\n"
                             "    gFields.Strings = (\n      '1|a|A|50|||||||||0000'\n      '1|b|Б|60|||||||||1000')\n"
                             "    gCaptionHeight = 28\n    gCanEditGrid = True\n"
                             "  end\n"
                             "  object Bad: TExtStringGrid\n"
                             "    gFields.Strings = (\n      '1|a|A'\n      '1|a|B'\n      '1|c|C|||||||||00')\n"
                             "  end\n"
                             "end\n");
    auto* described = form.findChild<TExtStringGrid*>("Grid");
    ASSERT_NE(described, nullptr);
    EXPECT_EQ(described->gFields().size(), 2);
    EXPECT_EQ(described->FieldsTable().size(), 0u);
    described->Init();
    EXPECT_EQ(described->ColCount(), 2);
    EXPECT_EQ(described->Cells(1, 0), Text("Б"));
    EXPECT_EQ(described->ColWidths(1), 60);
    EXPECT_EQ(described->RowHeights(0), 28);
    EXPECT_TRUE(described->gCanEditGrid);
    auto* bad = form.findChild<TExtStringGrid*>("Bad");
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(bad->gFields().size(), 3);
    try {
        bad->Init();
        ADD_FAILURE() << "Init takes a duplicate name";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), AnsiString("field already exist!, (ParseString)"));
    }
}

TEST_F(ExtStringGridTest, RenderedStatesForPeopleToLookAt)
{
    const std::unique_ptr<TPngImageList> pictures = TwoPictures();
    SetFields({Line("Date", "TDateTime", "center", "dd.mm.yyyy", "#FFFFFF", 90), Line("Count", "int", "right", "", "#F0FFF0", 60),
               Line("Price", "double", "right", "0.00", "#FFFFFF", 70), Line("Pic", "AnsiString", "center", "", "#FFFFFF", 40),
               Line("Note", "AnsiString", "left", "", "#FFFFE0", 110, "1", "1")});
    grid.AssignPIL("Pic", pictures.get());
    for (int i = 0; i < 9; ++i) {
        grid.AddValue("Date", Variant(TDateTime(45000.0 + i)));
        grid.AddValue("Count", Variant(i * 7));
        grid.AddValue("Price", Variant(i * 1.25));
        grid.AddValue("Pic", Variant(AnsiString(std::to_string(i % 3))));
        grid.AddValue("Note", Variant(AnsiString("row " + std::to_string(i))));
    }
    grid.Redraw();
    TSheet sheet(2);
    sheet.Add(Rendered());
    Current(2, 5);
    sheet.Add(Rendered());
    grid.fSetCaptionHeight(30);
    grid.Clear();
    sheet.Add(Rendered());
    EXPECT_FALSE(sheet.Save("extstringgrid_states.png").isEmpty());
}

} // namespace
