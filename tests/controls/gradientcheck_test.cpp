#include "controls/gradientcheck.h"

#include "pixeltestsupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMetaProperty>
#include <QMouseEvent>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 100;
constexpr int kHeight = 40;
const TColor kBegin = RGBColor(240, 40, 0);
const TColor kEnd = RGBColor(0, 60, 200);
const TColor kPanelColor = RGBColor(10, 120, 10);
// One step of a gradient across 40 pixels moves a channel by at most 240 / 40.
constexpr int kGradientTolerance = 7;

class GradientCheckTest : public testing::Test {
protected:
    GradientCheckTest()
    {
        panel.resize(kWidth, kHeight);
        panel.fgSetFrame(false);
        panel.fgSetColorBegin(kBegin);
        panel.fgSetColorEnd(kEnd);
        panel.SetColor(kPanelColor);
        QObject::connect(&panel, &TGradientCheck::OnMouseEnter, [this](QObject* sender) {
            EXPECT_EQ(sender, &panel);
            ++enters;
        });
        QObject::connect(&panel, &TGradientCheck::OnMouseExit, [this](QObject*) { ++exits; });
        QObject::connect(&panel, &TGradientCheck::OnClick, [this](QObject*) { ++clicks; });
    }

    void Enter()
    {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&panel, &event);
    }

    void Leave()
    {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(&panel, &event);
    }

    void LeftClick()
    {
        const QPointF at(10, 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&panel, &press);
        QApplication::sendEvent(&panel, &release);
    }

    TGradientCheck panel;
    int enters = 0;
    int exits = 0;
    int clicks = 0;
};

TColor Lightened(TColor color)
{
    const auto up = [](int channel) { return channel < 225 ? channel + 30 : 255; };
    return RGBColor(up(GetRValue(color)), up(GetGValue(color)), up(GetBValue(color)));
}

} // namespace

TEST_F(GradientCheckTest, GradientEndsSitAtTheEdgesInEitherDirection)
{
    struct Case {
        bool horizontal;
        bool rotate;
        QPoint firstEdge;
        QPoint lastEdge;
        QPoint across; // a pixel beside firstEdge across the gradient, which has the same colour
        TColor first;
        TColor last;
    };
    const Case cases[] = {
        {true, false, {0, 20}, {kWidth - 1, 20}, {0, kHeight - 1}, kBegin, kEnd},
        {true, true, {0, 20}, {kWidth - 1, 20}, {0, 0}, kEnd, kBegin},
        {false, false, {50, 0}, {50, kHeight - 1}, {kWidth - 1, 0}, kBegin, kEnd},
        {false, true, {50, 0}, {50, kHeight - 1}, {0, 0}, kEnd, kBegin},
    };
    for (const Case& c : cases) {
        panel.fgSetHorizontal(c.horizontal);
        panel.fgSetRotate(c.rotate);
        const QImage image = Render(panel);
        SCOPED_TRACE(testing::Message() << "horizontal " << c.horizontal << ", rotate " << c.rotate);
        EXPECT_TRUE(PixelIs(image, c.firstEdge.x(), c.firstEdge.y(), c.first));
        EXPECT_TRUE(PixelIs(image, c.lastEdge.x(), c.lastEdge.y(), c.last, kGradientTolerance));
        EXPECT_EQ(image.pixel(c.across), image.pixel(c.firstEdge));
    }
}

TEST_F(GradientCheckTest, CheckedUncheckedAndDisabledColours)
{
    struct Case {
        bool checked;
        bool enabled;
        TColor start;
        TColor end;
    };
    const Case cases[] = {
        {true, true, kBegin, kEnd},
        {false, true, clSilver, clWhite},
        {true, false, RGBColor(96, 96, 96), clWhite},
        {false, false, RGBColor(96, 96, 96), clWhite},
    };
    for (const Case& c : cases) {
        panel.fSetChecked(c.checked);
        panel.fSetEnabled(c.enabled);
        const QImage image = Render(panel);
        SCOPED_TRACE(testing::Message() << "checked " << c.checked << ", enabled " << c.enabled);
        EXPECT_TRUE(PixelIs(image, 0, 20, c.start));
        EXPECT_TRUE(PixelIs(image, kWidth - 1, 20, c.end, kGradientTolerance));
    }
}

TEST_F(GradientCheckTest, FramesCornersAndFlatFill)
{
    struct Case {
        const char* name;
        bool gradient;
        bool frame;
        bool round;
        bool rotate;
        TColor edge;   // middle of the left edge
        TColor inside; // just inside the left edge
        TColor corner; // top-left pixel
    };
    const Case cases[] = {
        {"framed gradient keeps its outline colour when rotated", true, true, false, true, kBegin, kEnd, kBegin},
        {"rounded gradient fills its corners too", true, true, true, false, kBegin, kBegin, kBegin},
        {"flat fill with outline", false, true, false, false, kBegin, kEnd, kBegin},
        {"rounded flat fill", false, true, true, false, kBegin, kEnd, kPanelColor},
        {"neither gradient nor frame shows Color", false, false, false, false, kPanelColor, kPanelColor, kPanelColor},
    };
    for (const Case& c : cases) {
        panel.fgSetGradient(c.gradient);
        panel.fgSetFrame(c.frame);
        panel.fgSetRound(c.round);
        panel.fgSetRotate(c.rotate);
        const QImage image = Render(panel);
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(PixelIs(image, 0, 20, c.edge));
        EXPECT_TRUE(PixelIs(image, 1, 20, c.inside, kGradientTolerance));
        EXPECT_TRUE(PixelIs(image, 0, 0, c.corner));
        EXPECT_TRUE(PixelIs(image, kWidth / 2, kHeight / 2, c.gradient ? kBegin : c.inside, 130));
    }
}

TEST_F(GradientCheckTest, HoverLightensTheGradientAndDrawsAWideOutlineUntilThePointerLeaves)
{
    Enter();
    QImage image = Render(panel);
    EXPECT_TRUE(PixelIs(image, 0, 20, Lightened(kBegin)));
    EXPECT_TRUE(PixelIs(image, 1, 20, kBegin));
    EXPECT_TRUE(PixelIs(image, 2, 20, kBegin));
    EXPECT_TRUE(PixelIs(image, kWidth - 1, 20, kBegin));
    EXPECT_TRUE(PixelIs(image, 50, 2, kBegin));
    EXPECT_TRUE(PixelIs(image, 50, 3, Lightened(kBegin), 130));

    Leave();
    image = Render(panel);
    EXPECT_TRUE(PixelIs(image, 0, 20, kBegin));
    EXPECT_TRUE(PixelIs(image, kWidth - 1, 20, kEnd, kGradientTolerance));
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(exits, 1);
}

TEST_F(GradientCheckTest, PointerEventsCountOnlyOnEnabledCheckablePanels)
{
    struct Case {
        bool checkable;
        bool enabled;
        int events;
        TColor leftEdgeWhileInside;
    };
    const Case cases[] = {
        {true, true, 1, Lightened(kBegin)},
        {false, true, 0, kBegin},
        {true, false, 0, RGBColor(96, 96, 96)},
    };
    for (const Case& c : cases) {
        panel.fgSetCheckable(c.checkable);
        panel.fSetEnabled(c.enabled);
        enters = exits = 0;
        Enter();
        const QImage inside = Render(panel);
        Leave();
        SCOPED_TRACE(testing::Message() << "checkable " << c.checkable << ", enabled " << c.enabled);
        EXPECT_TRUE(PixelIs(inside, 0, 20, c.leftEdgeWhileInside));
        EXPECT_EQ(enters, c.events);
        EXPECT_EQ(exits, c.events);
    }
}

TEST_F(GradientCheckTest, AfterAHoverTheFlatOutlineIsStillOnePixelWide)
{
    panel.fgSetFrame(true);
    Enter();
    Render(panel);
    panel.fgSetGradient(false);
    const QImage image = Render(panel);
    EXPECT_TRUE(PixelIs(image, 0, 20, kBegin));
    EXPECT_TRUE(PixelIs(image, 1, 20, kEnd));
}

TEST_F(GradientCheckTest, LeavingADisabledOrNonCheckablePanelEndsTheHoverLook)
{
    Enter();
    panel.fSetEnabled(false);
    Leave();
    panel.fSetEnabled(true);
    EXPECT_TRUE(PixelIs(Render(panel), 0, 20, kBegin));

    Enter();
    panel.fgSetCheckable(false);
    Leave();
    panel.fgSetCheckable(true);
    EXPECT_TRUE(PixelIs(Render(panel), 0, 20, kBegin));
}

TEST_F(GradientCheckTest, ClicksFlipCheckedOnlyWhenCheckable)
{
    struct Case {
        bool checkable;
        int clickCount;
        bool checked;
    };
    const Case cases[] = {{true, 1, false}, {true, 2, true}, {false, 1, true}};
    for (const Case& c : cases) {
        panel.fgSetCheckable(true);
        panel.fgSetCheckable(c.checkable);
        clicks = 0;
        for (int i = 0; i < c.clickCount; ++i)
            LeftClick();
        EXPECT_EQ(panel.Checked(), c.checked) << c.checkable << " " << c.clickCount;
        EXPECT_EQ(clicks, c.clickCount);
    }
}

TEST_F(GradientCheckTest, ColoursFollowHtmlTextsUnlessIgnored)
{
    panel.fgSetColorHTMLEnd("#f0ffec");
    EXPECT_EQ(panel.gColorEnd(), RGBColor(240, 255, 236));
    EXPECT_TRUE(PixelIs(Render(panel), kWidth - 1, 20, RGBColor(240, 255, 236), kGradientTolerance));

    panel.fgSetColorHTMLBegin("#000");
    EXPECT_EQ(panel.gColorHTMLBegin(), AnsiString("#000000"));
    panel.fgSetColorBegin(clBtnFace);
    EXPECT_EQ(panel.gColorBegin(), clBtnFace);
    EXPECT_EQ(panel.gColorHTMLBegin(), AnsiString("#000080"));
    EXPECT_TRUE(PixelIs(Render(panel), 0, 20, ColorToRGB(clBtnFace)));

    panel.fgSetColorHTMLBegin("#ignore");
    panel.fgSetColorBegin(kBegin);
    EXPECT_EQ(panel.gColorHTMLBegin(), AnsiString("#ignore"));
    EXPECT_EQ(panel.gColorBegin(), kBegin);
}

namespace {

enum class Step { Uncheck, Check, Disable, Enable, AddChild, RemoveChild, MakeCheckable };

struct ChildCase {
    const char* name;
    bool force;
    std::vector<Step> steps;
    std::vector<bool> expected;
};

} // namespace

TEST_F(GradientCheckTest, ChildStatesAreSavedOnceAndRestored)
{
    using enum Step;
    const ChildCase cases[] = {
        {"uncheck disables all", false, {Uncheck}, {false, false, false}},
        {"check restores the saved states", false, {Uncheck, Check}, {true, false, true}},
        {"enable restores the saved states", false, {Disable, Enable}, {true, false, true}},
        {"a child added in between: all enabled", false, {Uncheck, AddChild, Check}, {true, true, true, true}},
        {"a child removed in between: all enabled", false, {Uncheck, RemoveChild, Check}, {true, true}},
        {"forced on check", true, {Uncheck, Check}, {true, true, true}},
        {"forced on enable", true, {Disable, Enable}, {true, true, true}},
        {"one list for both", false, {Uncheck, Disable, Enable, Check}, {false, false, false}},
        {"making it checkable checks it", false, {Uncheck, MakeCheckable}, {true, false, true}},
    };
    for (const ChildCase& c : cases) {
        TGradientCheck owner;
        owner.gForceChildEnabled = c.force;
        std::vector<std::unique_ptr<QWidget>> children;
        for (const bool enabled : {true, false, true}) {
            children.push_back(std::make_unique<QWidget>(&owner));
            children.back()->setEnabled(enabled);
        }
        for (const Step step : c.steps) {
            switch (step) {
            case Uncheck: owner.fSetChecked(false); break;
            case Check: owner.fSetChecked(true); break;
            case Disable: owner.fSetEnabled(false); break;
            case Enable: owner.fSetEnabled(true); break;
            case AddChild: children.push_back(std::make_unique<QWidget>(&owner)); break;
            case RemoveChild: children.pop_back(); break;
            case MakeCheckable: owner.fgSetCheckable(true); break;
            }
        }
        std::vector<bool> states;
        for (const auto& child : children)
            states.push_back(child->isEnabled());
        EXPECT_EQ(states, c.expected) << c.name;
    }
}

TEST_F(GradientCheckTest, VisibilityCarriesTheChildren)
{
    std::vector<QWidget*> children;
    for (int i = 0; i < 3; ++i)
        children.push_back(new QWidget(&panel));
    panel.show();
    children[0]->hide();
    children[2]->hide();
    panel.fSetVisible(false);
    EXPECT_FALSE(panel.isVisible());
    panel.fSetVisible(true);
    EXPECT_TRUE(panel.Visible());
    for (QWidget* child : children)
        EXPECT_TRUE(child->isVisible());
}

TEST_F(GradientCheckTest, PictureSitsAtTheLeftByAlignmentAndGreysWhenOff)
{
    enum class Look { Plain, Brighter, Grey };
    struct Case {
        TGradientCheck::TPngAlignment align;
        bool checked;
        bool hover;
        int top;
        Look look;
    };
    const Case cases[] = {
        {TGradientCheck::paTop, true, false, 1, Look::Plain},
        {TGradientCheck::paCenter, true, false, (kHeight - 6) / 2, Look::Plain},
        {TGradientCheck::paBottom, true, false, kHeight - 6 - 1, Look::Plain},
        {TGradientCheck::paTop, true, true, 1, Look::Brighter},
        {TGradientCheck::paTop, false, false, 1, Look::Grey},
    };
    const TColor red = RGBColor(200, 0, 0);
    panel.fgSetPngPicture(SolidPicture(8, 6, red));
    for (const Case& c : cases) {
        panel.fgSetPngAlign(c.align);
        panel.fSetChecked(c.checked);
        if (c.hover)
            Enter();
        const QImage image = Render(panel);
        Leave();
        SCOPED_TRACE(testing::Message() << "align " << c.align << ", checked " << c.checked);
        // The picture covers 8 x 6 pixels from (2, top); a disabled one is blended, so allow for rounding.
        const TColor picture = FromQRgb(image.pixel(2 + 4, c.top + 3));
        EXPECT_TRUE(PixelIs(image, 2, c.top, picture, 2));
        EXPECT_TRUE(PixelIs(image, 2 + 7, c.top + 5, picture, 2));
        EXPECT_FALSE(PixelIs(image, 1, c.top + 3, picture, 2));
        EXPECT_FALSE(PixelIs(image, 2 + 8, c.top + 3, picture, 2));
        EXPECT_FALSE(PixelIs(image, 2, c.top - 1, picture, 2));
        EXPECT_FALSE(PixelIs(image, 2, c.top + 6, picture, 2));
        switch (c.look) {
        case Look::Plain: EXPECT_TRUE(PixelIs(image, 6, c.top + 3, red)); break;
        case Look::Brighter: EXPECT_TRUE(PixelIs(image, 6, c.top + 3, RGBColor(255, 55, 55))); break;
        case Look::Grey: EXPECT_EQ(GetRValue(picture), GetBValue(picture)); break;
        }
    }
}

TEST(GradientCheckSheet, RendersEveryLookIntoOneSheet)
{
    TSheet sheet(4);
    const auto add = [&sheet](const std::function<void(TGradientCheck&)>& setUp) {
        TGradientCheck panel;
        panel.resize(120, 48);
        panel.fgSetColorHTMLBegin("#3060C0");
        panel.fgSetColorHTMLEnd("#F0F8FF");
        panel.fgSetPngPicture(SolidPicture(16, 16, RGBColor(200, 120, 0)));
        panel.fgSetPngAlign(TGradientCheck::paCenter);
        setUp(panel);
        sheet.Add(Render(panel));
    };
    add([](TGradientCheck&) {});
    add([](TGradientCheck& p) { p.fgSetHorizontal(false); });
    add([](TGradientCheck& p) { p.fgSetRotate(true); });
    add([](TGradientCheck& p) { p.fgSetRound(true); });
    add([](TGradientCheck& p) {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&p, &event);
    });
    add([](TGradientCheck& p) { p.fSetChecked(false); });
    add([](TGradientCheck& p) { p.fSetEnabled(false); });
    add([](TGradientCheck& p) {
        p.fgSetGradient(false);
        p.fgSetRound(true);
        p.fgSetColorHTMLBegin("#C0C0C0");
        p.fgSetColorEnd(clCream);
    });
    const QString path = sheet.Save("gradientcheck_sheet.png");
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(QImage(path).size(), QSize(6 + 4 * 126, 6 + 2 * 54));
}

TEST(GradientCheckProperties, PublishedInOrderAndSetThroughTheMetaObjectLikeInCode)
{
    const QMetaObject& meta = TGradientCheck::staticMetaObject;
    QStringList names;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        names << meta.property(i).name();
    EXPECT_EQ(names, QStringList({"gHorizontal", "gFrame", "gRotate", "gRound", "gCheckable", "gGradient",
                                  "gForceChildEnabled", "gPngAlign", "gPngPicture", "gColorHTMLBegin",
                                  "gColorHTMLEnd", "gColorBegin", "gColorEnd", "Checked", "Enabled", "Visible",
                                  "Color"}));

    const TPNGObject picture = SolidPicture(10, 10, clRed);
    TGradientCheck inCode;
    inCode.resize(80, 30);
    inCode.fgSetHorizontal(false);
    inCode.fgSetRound(true);
    inCode.fgSetPngAlign(TGradientCheck::paBottom);
    inCode.fgSetPngPicture(picture);
    inCode.fgSetColorHTMLBegin("#102030");
    inCode.fgSetColorEnd(clCream);

    TGradientCheck described;
    described.resize(80, 30);
    described.setProperty("gHorizontal", false);
    described.setProperty("gRound", true);
    described.setProperty("gPngAlign", QVariant::fromValue(TGradientCheck::paBottom));
    described.setProperty("gPngPicture", QVariant::fromValue(picture));
    described.setProperty("gColorHTMLBegin", QVariant::fromValue(AnsiString("#102030")));
    described.setProperty("gColorEnd", QVariant::fromValue<TColor>(clCream));
    EXPECT_EQ(described.gColorBegin(), RGBColor(0x10, 0x20, 0x30));
    EXPECT_EQ(Render(described), Render(inCode));
}
