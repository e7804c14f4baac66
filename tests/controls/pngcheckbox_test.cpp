#include "controls/pngcheckbox.h"

#include "classlib/forms/classregistry.h"
#include "controls/controlclasses.h"
#include "classlib/widgets/controlproperties.h"
#include "classlib/forms/eventbinding.h"
#include "classlib/forms/formreader.h"
#include "support/xinput.h"
#include "controltestsupport.h"
#include "pixeltestsupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

#include <climits>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr QRgb kBackground = qRgb(40, 60, 120);
constexpr TColor kText = 0x000000C8; // red 200
constexpr TColor kShadow = 0x00E60000; // blue 230
constexpr TColor kCream = 0x00F0FBFF;
constexpr int kWidth = 160;
const AnsiString kCaption = AnsiString::FromUtf8("Стираем");

class PngCheckBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterWindowFonts(); }

    PngCheckBoxTest()
    {
        parent.resize(220, 80);
        parent.setAutoFillBackground(true);
        QPalette colours = parent.palette();
        colours.setColor(QPalette::Window, kBackground);
        parent.setPalette(colours);
        QFont font("Tahoma");
        font.setPixelSize(13);
        box.setFont(font);
        TControlProperties::SetFontColor(&box, kText);
        box.fSetShadowColor(kShadow);
        box.fSetCaption(kCaption);
        box.move(10, 10);
        box.SetPngUncheck(SolidPicture(16, 20, clLime));
        box.SetPngCheck(SolidPicture(16, 24, clRed));
        box.resize(kWidth, box.height());
        parent.show();
        QApplication::processEvents();
        Leave();
    }

    QImage Rendered() { return Render(box); }

    // Columns holding a pixel that shows colour, and rows likewise; empty when none does.
    static QRect Extent(const QImage& image, TColor colour, int tolerance = 40)
    {
        QRect found;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (PixelIs(image, x, y, colour, tolerance))
                    found |= QRect(x, y, 1, 1);
        return found;
    }

    // The pointer goes through the window, as the platform delivers it.
    QWindow* Handle() { return parent.windowHandle(); }
    void MoveTo(QPoint inBox) { QTest::mouseMove(Handle(), box.pos() + inBox); }
    void Hover() { MoveTo(QPoint(kWidth / 2, 5)); }
    void Leave() { QTest::mouseMove(Handle(), QPoint(200, 70)); }
    void ClickWith(Qt::MouseButton button) { QTest::mouseClick(Handle(), button, {}, box.pos() + QPoint(5, 5)); }

    QWidget parent;
    TPngCheckBox box{&parent};
};

TEST_F(PngCheckBoxTest, HeightFollowsTheTallerPicture)
{
    struct Case { int check; int uncheck; int height; };
    for (const Case& c : {Case{24, 20, 24}, Case{10, 30, 30}, Case{0, 0, 0}, Case{0, 7, 7}, Case{12, 12, 12}}) {
        TPngCheckBox fresh;
        fresh.resize(50, 99);
        fresh.SetPngCheck(c.check ? SolidPicture(5, c.check, clRed) : TPNGObject());
        fresh.SetPngUncheck(c.uncheck ? SolidPicture(5, c.uncheck, clRed) : TPNGObject());
        EXPECT_EQ(fresh.height(), c.height) << c.check << " " << c.uncheck;
        EXPECT_EQ(fresh.width(), 50);
    }
}

// The picture's place for each alignment, and the caption on the side away from it (over it when centred).
TEST_F(PngCheckBoxTest, PictureAndCaptionTakeOppositeSides)
{
    struct Case { TPngCheckBox::TPngAlignment align; int pictureLeft; int textLeft; int textRight; };
    const int pictureLeftCentred = (kWidth - 16) / 2;
    box.fSetChecked(true);
    for (const Case& c : {Case{TPngCheckBox::paLeft, 1, 60, kWidth - 3}, Case{TPngCheckBox::paCenter, pictureLeftCentred, 40, 120},
                          Case{TPngCheckBox::paRight, kWidth - 17, 3, 100}}) {
        box.fSetPngAlign(c.align);
        const QImage image = Rendered();
        EXPECT_EQ(Extent(image, clRed, 0), QRect(c.pictureLeft, 0, 16, 24)) << c.align;
        const QRect text = Extent(image, kText);
        ASSERT_FALSE(text.isEmpty());
        EXPECT_GE(text.left(), c.textLeft) << c.align;
        EXPECT_LE(text.right(), c.textRight) << c.align;
        EXPECT_NEAR(text.center().y(), 12, 3) << c.align;
        if (c.align == TPngCheckBox::paLeft) {
            EXPECT_GE(text.right(), kWidth - 3 - 3) << "caption ends at the frame";
        } else if (c.align == TPngCheckBox::paRight) {
            EXPECT_LE(text.left(), 3 + 2) << "caption starts at the frame";
        } else {
            EXPECT_NEAR(text.center().x(), kWidth / 2, 3);
        }
    }
}

TEST_F(PngCheckBoxTest, ACaptionTooWideForTheRightSideStartsAtTheFrame)
{
    box.fSetFrame(7);
    box.fSetCaption(AnsiString::FromUtf8("Не стираем финализированные ключи"));
    const QRect text = Extent(Rendered(), kText);
    EXPECT_GE(text.left(), 7);
    EXPECT_LE(text.left(), 9);
}

TEST_F(PngCheckBoxTest, ClickFlipsBeforeTheHandlerAndSwapsThePicture)
{
    std::vector<bool> seen;
    QObject::connect(&box, &TPngCheckBox::OnClick, [&](QObject* sender) {
        EXPECT_EQ(sender, &box);
        seen.push_back(box.Checked());
    });
    for (bool expected : {true, false, true}) {
        ClickWith(Qt::LeftButton);
        EXPECT_EQ(box.Checked(), expected);
        EXPECT_EQ(Extent(Rendered(), expected ? clRed : clLime, 0).height(), expected ? 24 : 20);
    }
    EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
    ClickWith(Qt::RightButton);
    EXPECT_EQ(seen.size(), 3u) << "only the left button clicks";
}

TEST_F(PngCheckBoxTest, PublishesTheEventsOfAGraphicControl)
{
    for (const char* event : {"OnClick", "OnContextPopup", "OnDblClick", "OnDragDrop", "OnDragOver", "OnEndDock",
                              "OnEndDrag", "OnMouseDown", "OnMouseMove", "OnMouseUp", "OnStartDock", "OnStartDrag"})
        EXPECT_TRUE(TEventBinding::IsEvent(&box, event)) << event;
}

namespace {

std::string Point(int x, int y)
{
    return " at " + std::to_string(x) + "," + std::to_string(y);
}

std::string Shift(TShiftState state)
{
    return " shift " + std::to_string(state.toInt());
}

// The click and mouse events of a box in the order they come, each with what it carries; moves only when asked.
class MouseLog {
public:
    explicit MouseLog(TPngCheckBox& box, bool moves = false)
    {
        QObject::connect(&box, &TPngCheckBox::OnClick, &context_, [this, &box](QObject*) {
            entries.push_back(box.Checked() ? "click checked" : "click unchecked");
        });
        QObject::connect(&box, &TPngCheckBox::OnDblClick, &context_,
                         [this](QObject*) { entries.push_back("double click"); });
        QObject::connect(&box, &TPngCheckBox::OnMouseDown, &context_,
                         [this](QObject*, TMouseButton button, TShiftState state, int x, int y) {
                             entries.push_back("down " + std::to_string(button) + Shift(state) + Point(x, y));
                         });
        QObject::connect(&box, &TPngCheckBox::OnMouseUp, &context_,
                         [this](QObject*, TMouseButton button, TShiftState state, int x, int y) {
                             entries.push_back("up " + std::to_string(button) + Shift(state) + Point(x, y));
                         });
        QObject::connect(&box, &TPngCheckBox::OnMouseMove, &context_, [this, moves](QObject*, TShiftState state, int x, int y) {
            if (moves)
                entries.push_back("move" + Shift(state) + Point(x, y));
        });
    }

    std::vector<std::string> entries;

private:
    QObject context_;
};

// A double click, as the platform delivers it: press, release, double click, release. Each click flips the box;
// the double click raises OnDblClick before its press.
const std::vector<std::string> kDoubleClick = {
    "down 0 shift 8 at 5,5", "click checked",   "up 0 shift 0 at 5,5",   "double click",
    "down 0 shift 72 at 5,5", "click unchecked", "up 0 shift 0 at 5,5"};

} // namespace

TEST_F(PngCheckBoxTest, DoubleClickFlipsTwiceAndRaisesOnDblClick)
{
    MouseLog log(box);
    QTest::mouseDClick(Handle(), Qt::LeftButton, {}, box.pos() + QPoint(5, 5));
    EXPECT_EQ(log.entries, kDoubleClick);
    EXPECT_FALSE(box.Checked());
}

TEST_F(PngCheckBoxTest, X11DoubleClickFlipsTwiceAndRaisesOnDblClick)
{
    SKIP_WITHOUT_X11();
    ASSERT_TRUE(ShowActive(parent));
    MouseLog log(box);
    EventCounter releases(&box);
    ASSERT_TRUE(XClick(box, QPoint(5, 5), 1, 2));
    ASSERT_TRUE(releases.WaitFor(QEvent::MouseButtonRelease, 2));
    EXPECT_EQ(log.entries, kDoubleClick);
    EXPECT_FALSE(box.Checked());
}

TEST_F(PngCheckBoxTest, MouseEventsCarryTheButtonTheKeysAndThePoint)
{
    MouseLog log(box, true);
    QTest::mousePress(Handle(), Qt::RightButton, Qt::ShiftModifier, box.pos() + QPoint(7, 3));
    QTest::mouseMove(Handle(), box.pos() + QPoint(9, 4));
    QTest::mouseRelease(Handle(), Qt::RightButton, Qt::ControlModifier, box.pos() + QPoint(9, 4));
    QTest::mouseClick(Handle(), Qt::MiddleButton, Qt::AltModifier, box.pos() + QPoint(1, 2));
    EXPECT_EQ(log.entries, (std::vector<std::string>{"move shift 1 at 7,3", "down 1 shift 17 at 7,3",
                                                     "move shift 16 at 9,4", "up 1 shift 4 at 9,4",
                                                     "move shift 2 at 1,2", "down 2 shift 34 at 1,2",
                                                     "up 2 shift 2 at 1,2"}));
    EXPECT_FALSE(box.Checked()) << "only the left button clicks";
}

TEST_F(PngCheckBoxTest, ContextPopupAsksTheHandlerAndGoesToTheParentUnlessHandled)
{
    std::vector<QPoint> asked;
    bool handle = false;
    QObject::connect(&box, &TPngCheckBox::OnContextPopup, &box, [&](QObject*, QPoint at, bool& handled) {
        asked.push_back(at);
        handled = handle;
    });
    for (const bool handled : {false, true}) {
        handle = handled;
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 6), box.mapToGlobal(QPoint(4, 6)));
        QApplication::sendEvent(&box, &event);
        EXPECT_EQ(event.isAccepted(), handled);
    }
    EXPECT_EQ(asked, (std::vector<QPoint>{QPoint(4, 6), QPoint(4, 6)}));
}

TEST_F(PngCheckBoxTest, ACheckedBoxWithoutItsPictureShowsNone)
{
    box.SetPngCheck(TPNGObject());
    box.fSetChecked(true);
    const QImage image = Rendered();
    EXPECT_TRUE(Extent(image, clLime, 0).isEmpty());
    EXPECT_TRUE(Extent(image, clRed, 0).isEmpty());
    EXPECT_EQ(box.height(), 20);
}

TEST_F(PngCheckBoxTest, HighlightShowsOnlyWhileEnabledAndNotDesigning)
{
    struct Case { const char* name; bool enabled; bool designing; bool highlight; };
    for (const Case& c : {Case{"enabled", true, false, true}, Case{"disabled", false, false, false},
                          Case{"designing", true, true, false}}) {
        box.setEnabled(c.enabled);
        box.SetDesigning(c.designing);
        QSignalSpy enters(&box, &TPngCheckBox::OnMouseEnter);
        QSignalSpy exits(&box, &TPngCheckBox::OnMouseExit);
        Hover();
        const QImage over = Rendered();
        EXPECT_EQ(PixelIs(over, kWidth / 2, 2, kCream), c.highlight) << c.name;
        EXPECT_EQ(PixelIs(over, 0, 12, clSilver), c.highlight) << c.name << ": outline";
        Leave();
        EXPECT_FALSE(PixelIs(Rendered(), kWidth / 2, 2, kCream)) << c.name;
        EXPECT_EQ(enters.count(), 1) << c.name;
        EXPECT_EQ(exits.count(), 1) << c.name;
    }
}

TEST_F(PngCheckBoxTest, DisabledBoxIsGreyWithAWhiteShadowAndSilverText)
{
    box.fSetShadow(true);
    box.fSetDisplaceX(2);
    box.fSetDisplaceY(2);
    const QRect enabledShadow = Extent(Rendered(), kShadow);
    EXPECT_FALSE(enabledShadow.isEmpty());
    box.setEnabled(false);
    const QImage image = Rendered();
    EXPECT_TRUE(Extent(image, kText).isEmpty());
    EXPECT_TRUE(Extent(image, kShadow).isEmpty());
    EXPECT_FALSE(Extent(image, clSilver, 10).isEmpty());
    EXPECT_EQ(Extent(image, clWhite, 10).topLeft(), enabledShadow.topLeft());
    // Pure green at half strength in grey (0.59 of 255) over the background.
    const QRgb seen = image.pixel(5, 10);
    EXPECT_TRUE(Near(seen, qRgb((150 + qRed(kBackground)) / 2, (150 + qGreen(kBackground)) / 2,
                               (150 + qBlue(kBackground)) / 2), 3)) << std::hex << seen;
}

TEST_F(PngCheckBoxTest, StatesRenderIntoASheet)
{
    TSheet sheet(3);
    box.fSetShadow(true);
    for (bool checked : {false, true})
        for (auto align : {TPngCheckBox::paLeft, TPngCheckBox::paCenter, TPngCheckBox::paRight}) {
            box.fSetChecked(checked);
            box.fSetPngAlign(align);
            sheet.Add(Rendered());
        }
    Hover();
    sheet.Add(Rendered());
    box.setEnabled(false);
    sheet.Add(Rendered());
    EXPECT_FALSE(sheet.Save("pngcheckbox_states.png").isEmpty());
}

TEST_F(PngCheckBoxTest, ReadFromADescription)
{
    RegisterClass<QWidget>("TForm");
    RegisterControlClasses();
    std::ostringstream file;
    SolidPicture(12, 30, clNavy).SaveToStream(file);
    const std::string hex = QByteArray::fromStdString(file.str()).toHex().toUpper().toStdString();
    const std::string description = "object Form: TForm\n"
                                    "  object CB_1: TPngCheckBox\n"
                                    "    Width = 90\n    Height = 5\n"
                                    "    Caption = 'Стираем'\n    Checked = True\n"
                                    "    PngAlign = paRight\n    Frame = 4\n    Shadow = True\n"
                                    "    ShadowColor = clNavy\n    DisplaceX = 2\n    DisplaceY = 3\n"
                                    "    PngCheck.Data = {" + hex + "}\n"
                                    "  end\nend\n";
    QWidget form;
    TFormReader::Read(&form, description);
    auto* read = form.findChild<TPngCheckBox*>("CB_1");
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Caption(), kCaption);
    EXPECT_TRUE(read->Checked());
    EXPECT_EQ(read->PngAlign(), TPngCheckBox::paRight);
    EXPECT_EQ(read->Frame(), 4);
    EXPECT_TRUE(read->Shadow());
    EXPECT_EQ(read->ShadowColor(), clNavy);
    EXPECT_EQ(read->DisplaceX(), 2);
    EXPECT_EQ(read->DisplaceY(), 3);
    EXPECT_EQ(read->PngCheck().Width(), 12);
    EXPECT_EQ(read->height(), 30);

    const QMetaObject& meta = TPngCheckBox::staticMetaObject;
    std::vector<std::string> names;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        names.push_back(meta.property(i).name());
    EXPECT_EQ(names, (std::vector<std::string>{"Caption", "Checked", "PngCheck", "PngUncheck", "PngAlign", "Frame",
                                               "Shadow", "ShadowColor", "DisplaceX", "DisplaceY"}));
}

} // namespace

namespace {

// Margins and offsets from the whole integer range, and boxes without room, paint without fault.
TEST_F(PngCheckBoxTest, ExtremeMarginsAndSizesPaint)
{
    struct Case { int width; int frame; int displace; };
    box.fSetShadow(true);
    box.fSetChecked(true);
    for (const Case& c : {Case{kWidth, INT_MAX, INT_MAX}, Case{kWidth, INT_MIN, INT_MIN}, Case{1, 3, 1},
                          Case{0, 3, 1}}) {
        for (auto align : {TPngCheckBox::paLeft, TPngCheckBox::paCenter, TPngCheckBox::paRight}) {
            box.fSetPngAlign(align);
            box.fSetFrame(c.frame);
            box.fSetDisplaceX(c.displace);
            box.fSetDisplaceY(c.displace);
            box.resize(c.width, box.height());
            const QImage image = box.grab().toImage();
            EXPECT_EQ(image.width(), c.width);
            if (c.width == kWidth)
                EXPECT_FALSE(Extent(image.convertToFormat(QImage::Format_RGB32), clRed, 0).isEmpty());
        }
    }
}

} // namespace
