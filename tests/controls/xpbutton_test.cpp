#include "controls/xpbutton.h"

#include "classlib/forms/classregistry.h"
#include "classlib/widgets/controlproperties.h"
#include "classlib/forms/formreader.h"
#include "controltestsupport.h"
#include "pixeltestsupport.h"
#include "classlib/base/exception.h"
#include "png/pngimagelist.h"
#include "support/pngpicture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <sstream>
#include <string>
#include <vector>

namespace {

using ::PrintTo; // names the cases in failure messages

constexpr QRgb kStored = qRgb(100, 150, 200);
constexpr QRgb kBrighter = qRgb(155, 205, 255); // each byte + 55, at most 255
constexpr QRgb kDarker = qRgb(45, 95, 145);     // each byte - 55
constexpr int kGrey = 140;                      // 0.30 × 100 + 0.59 × 150 + 0.11 × 200, to the even neighbour

TPNGObject SquarePicture(QRgb color, int size = 32)
{
    return SolidPicture(size, size, FromQRgb(color));
}

// Grey at half strength (alpha 128) over the face.
QRgb HalfGreyOver(QRgb face)
{
    const auto mix = [](int over) { return (kGrey * 128 + over * 127 + 127) / 255; };
    return qRgb(mix(qRed(face)), mix(qGreen(face)), mix(qBlue(face)));
}

enum class Step { Enter, Leave, PressLeft, ReleaseLeft, PressRight, PressMiddle, DoubleClickLeft, Disable, Enable };
enum class Look { Stored, Brighter, Pushed, Disabled };

class XpButtonTest : public ::testing::Test {
protected:
    XpButtonTest()
    {
        window.resize(240, 120);
        button.setGeometry(10, 10, 112, 40);
        button.setText("       Exit");
        button.SetPngPicture(SquarePicture(kStored));
        window.show();
        QApplication::processEvents();
        Move(kOutside);
    }
    // Mouse buttons still held go up, so that the next test starts with none.
    ~XpButtonTest() override
    {
        for (const Qt::MouseButton held : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            if (QGuiApplication::mouseButtons() & held)
                QTest::mouseRelease(Handle(), held, {}, kOutside);
        }
    }

    QWindow* Handle() { return window.windowHandle(); }
    void Move(QPoint at) { QTest::mouseMove(Handle(), at); }

    void Run(Step step)
    {
        switch (step) {
        case Step::Enter: return Move(kInside);
        case Step::Leave: return Move(kOutside);
        case Step::PressLeft: return QTest::mousePress(Handle(), Qt::LeftButton, {}, kInside);
        case Step::ReleaseLeft: return QTest::mouseRelease(Handle(), Qt::LeftButton, {}, kInside);
        case Step::PressRight: return QTest::mousePress(Handle(), Qt::RightButton, {}, kInside);
        case Step::PressMiddle: return QTest::mousePress(Handle(), Qt::MiddleButton, {}, kInside);
        case Step::DoubleClickLeft: {
            const QPoint at = button.mapFromParent(kInside);
            QMouseEvent event(QEvent::MouseButtonDblClick, at, button.mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&button, &event);
            return;
        }
        case Step::Disable: return button.setEnabled(false);
        case Step::Enable: return button.setEnabled(true);
        }
    }

    // The face the platform paints for this button when disabled, at the picture's centre.
    QRgb DisabledFace()
    {
        TXpButton plain(&window);
        plain.setGeometry(button.geometry());
        plain.setText(button.text());
        plain.setEnabled(false);
        return plain.grab().toImage().pixel(kCentre);
    }

    void ExpectLook(Look look)
    {
        const QImage image = button.grab().toImage();
        // The picture covers x 4..35 in place and 5..36 when pushed.
        const QRgb leftEdge = image.pixel(4, 20);
        const QRgb pastRightEdge = image.pixel(36, 20);
        switch (look) {
        case Look::Stored:
        case Look::Brighter: {
            const QRgb color = look == Look::Stored ? kStored : kBrighter;
            EXPECT_EQ(image.pixel(kCentre), color);
            EXPECT_EQ(leftEdge, color);
            EXPECT_NE(pastRightEdge, color);
            return;
        }
        case Look::Pushed:
            EXPECT_EQ(image.pixel(kCentre), kDarker);
            EXPECT_NE(leftEdge, kDarker);
            EXPECT_EQ(pastRightEdge, kDarker);
            return;
        case Look::Disabled: {
            const QRgb expected = HalfGreyOver(DisabledFace());
            EXPECT_TRUE(Near(image.pixel(kCentre), expected))
                << std::hex << image.pixel(kCentre) << " expected " << expected;
            EXPECT_TRUE(Near(leftEdge, expected));
            return;
        }
        }
    }

    static constexpr QPoint kInside{60, 30};
    static constexpr QPoint kOutside{200, 100};
    static constexpr QPoint kCentre{20, 20};

    QWidget window;
    TXpButton button{&window};
};

struct LookCase {
    std::string name;
    std::vector<Step> steps;
    Look look;
    bool hover;
    bool pressed;
    int enters;
    int exits;
};

class XpButtonLook : public XpButtonTest, public ::testing::WithParamInterface<LookCase> {};

TEST_P(XpButtonLook, ShowsItsLookAndKeepsItsFlags)
{
    const LookCase& c = GetParam();
    QSignalSpy enters(&button, &TXpButton::OnMouseEnter);
    QSignalSpy exits(&button, &TXpButton::OnMouseExit);
    for (const Step step : c.steps)
        Run(step);
    EXPECT_EQ(button.Hovered(), c.hover);
    EXPECT_EQ(button.Pressed(), c.pressed);
    EXPECT_EQ(enters.count(), c.enters);
    EXPECT_EQ(exits.count(), c.exits);
    ExpectLook(c.look);
}

using enum Step;
INSTANTIATE_TEST_SUITE_P(
    States, XpButtonLook,
    ::testing::Values(
        LookCase{"untouched", {}, Look::Stored, false, false, 0, 0},
        LookCase{"pointer_over", {Enter}, Look::Brighter, true, false, 1, 0},
        LookCase{"left_held_over", {Enter, PressLeft}, Look::Pushed, true, true, 1, 0},
        LookCase{"left_released", {Enter, PressLeft, ReleaseLeft}, Look::Brighter, true, false, 1, 0},
        LookCase{"pointer_gone", {Enter, Leave}, Look::Stored, false, false, 1, 1},
        LookCase{"left_held_dragged_off", {Enter, PressLeft, Leave}, Look::Stored, false, true, 1, 1},
        LookCase{"dragged_off_and_back", {Enter, PressLeft, Leave, Enter}, Look::Pushed, true, true, 2, 1},
        LookCase{"right_press", {Enter, PressRight}, Look::Brighter, true, false, 1, 0},
        LookCase{"middle_press", {Enter, PressMiddle}, Look::Brighter, true, false, 1, 0},
        LookCase{"double_click", {Enter, DoubleClickLeft}, Look::Pushed, true, true, 1, 0},
        LookCase{"disabled", {Disable}, Look::Disabled, false, false, 0, 0},
        LookCase{"disabled_pointer_in_and_out", {Disable, Enter, Leave, Enter}, Look::Disabled, false, false, 0, 0},
        LookCase{"disabled_left_press", {Disable, Enter, PressLeft}, Look::Disabled, false, false, 0, 0},
        LookCase{"disabled_while_over", {Enter, Disable}, Look::Disabled, true, false, 1, 0},
        LookCase{"enabled_again_while_over", {Enter, Disable, Enable}, Look::Brighter, true, false, 1, 0},
        LookCase{"left_while_disabled_then_enabled", {Enter, Disable, Leave, Enable}, Look::Stored, false, false, 1, 0},
        LookCase{"entered_while_disabled_then_enabled", {Disable, Enter, Enable}, Look::Brighter, true, false, 0, 0}),
    CaseName);

TEST_F(XpButtonTest, PictureIsCopiedInBothDirections)
{
    TPNGObject mine = SquarePicture(qRgb(10, 200, 30));
    button.SetPngPicture(mine);
    mine.SetPixel(16, 16, clRed);
    Run(Step::Enter); // the brighter look works on a copy, never on the caller's picture
    EXPECT_EQ(button.grab().toImage().pixel(kCentre), qRgb(65, 255, 85));
    EXPECT_EQ(button.PngPicture().Pixel(16, 16), RGBColor(10, 200, 30));
    EXPECT_EQ(mine.Pixel(16, 16), clRed);
    EXPECT_EQ(mine.Pixel(0, 0), RGBColor(10, 200, 30));

    ASSERT_TRUE(button.setProperty("PngPicture", QVariant::fromValue(SquarePicture(qRgb(1, 2, 3), 8))));
    EXPECT_EQ(button.property("PngPicture").value<TPNGObject>().Width(), 8);
    EXPECT_EQ(button.PngPicture().Pixel(7, 7), RGBColor(1, 2, 3));
}

TEST_F(XpButtonTest, WithoutAPictureItLooksLikeThePlainPlatformButton)
{
    QPushButton plain(&window);
    plain.setGeometry(button.geometry());
    plain.setText(button.text());
    button.SetPngPicture(TPNGObject());
    for (const bool enabled : {true, false}) {
        button.setEnabled(enabled);
        plain.setEnabled(enabled);
        EXPECT_EQ(button.grab().toImage(), plain.grab().toImage()) << enabled;
    }
}

TEST_F(XpButtonTest, ClickIsTheButtonsOwnAndNamesTheButton)
{
    QSignalSpy clicks(&button, &TXpButton::OnClick);
    QTest::mouseClick(Handle(), Qt::LeftButton, {}, kInside);
    QTest::mouseClick(Handle(), Qt::RightButton, {}, kInside);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<QObject*>(), &button);
}

// Counts the paints a widget receives and the area they cover.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int paints = 0;
    QRegion painted;

    // Runs the event loop until the widget has had more than `before` paints; the toolkit paints on its own timer.
    void AwaitPaintAfter(int before)
    {
        for (int waited = 0; paints == before && waited < 2000; ++waited)
            QTest::qWait(1);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

// The window paints only the face's background under the button, which the button's rounded face leaves showing.
TEST_F(XpButtonTest, PointerCrossingRepaintsTheButtonAlone)
{
    QWidget sibling(&window);
    sibling.setGeometry(130, 10, 60, 40);
    PaintCounter shown(sibling);
    sibling.show();
    shown.AwaitPaintAfter(0);
    PaintCounter buttonPaints(button);
    PaintCounter siblingPaints(sibling);
    PaintCounter windowPaints(window);
    for (const Step step : {Step::Enter, Step::Leave}) {
        const int before = buttonPaints.paints;
        Run(step);
        buttonPaints.AwaitPaintAfter(before);
    }
    EXPECT_EQ(buttonPaints.paints, 2);
    EXPECT_EQ(siblingPaints.paints, 0);
    EXPECT_TRUE(QRegion(button.geometry()).contains(windowPaints.painted.boundingRect()));
}

// The quit button's description, and the same button set up in code.
TEST(XpButtonDescription, SetUpFromADescriptionItLooksAsSetUpInCode)
{
    RegisterWindowFonts();
    RegisterClass<QWidget>("TForm");
    RegisterClass<TXpButton>("TXpButton");
    const TPNGObject picture = SamplePicture();
    std::ostringstream file;
    picture.SaveToStream(file);
    const std::string hex = QByteArray::fromStdString(file.str()).toHex().toUpper().toStdString();
    QWidget described;
    TFormReader::Read(&described, "object Form: TForm\n"
                                  "  object BTN_Quit: TXpButton\n"
                                  "    Left = 425\n    Top = 8\n    Width = 112\n    Height = 40\n"
                                  "    Caption = '       Выход!'\n"
                                  "    Font.Color = clBlack\n    Font.Height = -16\n"
                                  "    Font.Name = 'MS Sans Serif'\n    Font.Style = [fsBold]\n"
                                  "    PngPicture.Data = {" + hex + "}\n"
                                  "  end\n"
                                  "end\n");
    auto* read = described.findChild<TXpButton*>("BTN_Quit");
    ASSERT_NE(read, nullptr);

    QWidget coded;
    TXpButton button(&coded);
    button.setGeometry(425, 8, 112, 40);
    button.setText(QString::fromUtf8("       Выход!"));
    TControlProperties::SetFontColor(&button, clBlack);
    QFont font("MS Sans Serif");
    font.setPixelSize(16);
    font.setBold(true);
    button.setFont(font);
    button.SetPngPicture(picture);
    EXPECT_EQ(read->grab().toImage(), button.grab().toImage());
}

// The picture of a button counts in the one budget of its description with those of its image lists: a list
// whose three native images of 4096 × 4096 take 240 MiB leaves no room for a picture of 2000 × 2000.
TEST(XpButtonDescription, PicturesOfButtonsAndListsShareTheBudgetOfTheDescription)
{
    RegisterClass<QWidget>("TForm");
    RegisterClass<TXpButton>("TXpButton");
    RegisterClass<TPngImageList>("TPngImageList");
    const auto hexOf = [](int side) {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(qRgba(10, 20, 30, 255));
        return PngFileOf(image).toHex().toUpper().toStdString();
    };
    const std::string tiny = hexOf(4);
    std::string text = "object Form: TForm\n  object List: TPngImageList\n    Width = 4096\n    Height = 4096\n"
                       "    PngImages = <";
    for (int i = 0; i < 3; ++i)
        text += "\n      item\n        PngImage.Data = {" + tiny + "}\n      end";
    text += ">\n  end\n  object B: TXpButton\n    PngPicture.Data = {" + hexOf(2000) + "}\n  end\nend\n";
    QWidget described;
    try {
        TFormReader::Read(&described, text);
        FAIL() << "the pictures were read";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message().ToUtf8(), "Line 17: B (TXpButton).PngPicture.Data: the pictures of the window "
                                            "description would take more than 256 MiB");
    }
    EXPECT_TRUE(described.findChildren<QObject*>().isEmpty());
}

TEST_F(XpButtonTest, SetUpBeforeItIsShownItShowsItsLookWhenDrawn)
{
    TXpButton early;
    early.resize(112, 40);
    early.setText(button.text());
    early.SetPngPicture(SquarePicture(kStored));
    early.setEnabled(false);
    const QImage image = early.grab().toImage();
    EXPECT_TRUE(Near(image.pixel(kCentre), HalfGreyOver(DisabledFace())));
    early.setEnabled(true);
    EXPECT_EQ(early.grab().toImage().pixel(kCentre), kStored);
}

TEST_F(XpButtonTest, APictureLargerThanTheButtonStaysInsideIt)
{
    button.setGeometry(10, 10, 20, 20);
    button.SetPngPicture(SquarePicture(kStored, 64));
    for (const std::vector<Step>& steps : {std::vector<Step>{}, {Step::Enter, Step::PressLeft}}) {
        for (const Step step : steps)
            Run(step);
        const QImage around = window.grab(QRect(0, 0, 40, 40)).toImage();
        EXPECT_NE(around.pixel(29, 29), around.pixel(31, 31)) << "drawn up to the button's last pixel";
        EXPECT_EQ(around.pixel(31, 31), around.pixel(35, 35)) << "and not past it";
    }
    button.resize(0, 0);
    EXPECT_TRUE(button.grab().isNull());
}

// The window's quit button in each of its looks, written beside the test program for a person to look at.
TEST_F(XpButtonTest, SheetOfTheLooks)
{
    RegisterWindowFonts();
    QFont font("MS Sans Serif");
    font.setPixelSize(16);
    font.setBold(true);
    button.setFont(font);
    button.setText(QString::fromUtf8("       Выход!"));
    button.SetPngPicture(SamplePicture());
    const std::vector<std::vector<Step>> looks = {
        {}, {Step::Enter}, {Step::PressLeft}, {Step::Leave, Step::ReleaseLeft, Step::Disable}};
    TSheet sheet(static_cast<int>(looks.size()));
    for (const std::vector<Step>& steps : looks) {
        for (const Step step : steps)
            Run(step);
        sheet.Add(button.grab().toImage());
    }
    EXPECT_FALSE(sheet.Save("xpbutton_sheet.png").isEmpty());
}

} // namespace
