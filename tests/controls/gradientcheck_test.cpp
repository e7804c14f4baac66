#include "controls/gradientcheck.h"

#include "pixeltestsupport.h"

#include "classlib/forms/classregistry.h"
#include "classlib/widgets/controlproperties.h"
#include "classlib/forms/formreader.h"
#include "classlib/forms/formwriter.h"
#include "controls/pngcheckbox.h"
#include "controls/shadowlabel.h"
#include "controls/xpbutton.h"
#include "classlib/widgets/button.h"
#include "classlib/widgets/edit.h"
#include "support/xinput.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QTest>

#include <functional>
#include <memory>
#include <sstream>
#include <vector>

namespace {

constexpr int kWidth = 100;
constexpr int kHeight = 40;
constexpr int kMidY = kHeight / 2;
const TColor kBegin = RGBColor(240, 40, 0);
const TColor kEnd = RGBColor(0, 60, 200);
const TColor kLitBegin = RGBColor(255, 70, 30); // each channel 30 lighter, at most 255
const TColor kPanelColor = RGBColor(10, 120, 10);
const TColor kDarkGrey = RGBColor(96, 96, 96);
// One step of a gradient across 40 pixels moves a channel by at most 240 / 40.
constexpr int kStep = 7;

void Enter(QWidget& widget)
{
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&widget, &event);
}

void Leave(QWidget& widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

void LeftClick(QWidget& widget)
{
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }
}

class GradientCheckTest : public testing::Test {
protected:
    GradientCheckTest()
    {
        panel.resize(kWidth, kHeight);
        panel.fgSetFrame(false);
        panel.fgSetColorBegin(kBegin);
        panel.fgSetColorEnd(kEnd);
        TControlProperties::SetColor(&panel, kPanelColor);
        QObject::connect(&panel, &TGradientCheck::OnMouseEnter, [this](QObject* sender) {
            EXPECT_EQ(sender, &panel);
            ++enters;
        });
        QObject::connect(&panel, &TGradientCheck::OnMouseExit, [this](QObject*) { ++exits; });
        QObject::connect(&panel, &TGradientCheck::OnClick, [this](QObject*) { ++clicks; });
    }

    TGradientCheck panel;
    int enters = 0;
    int exits = 0;
    int clicks = 0;
};

} // namespace

TEST_F(GradientCheckTest, GradientEndsAtTheEdgesByDirectionRotateAndState)
{
    struct Case {
        bool horizontal, rotate, checked, enabled;
        TColor first, last;
    };
    const Case cases[] = {
        {true, false, true, true, kBegin, kEnd},     {true, true, true, true, kEnd, kBegin},
        {false, false, true, true, kBegin, kEnd},    {false, true, true, true, kEnd, kBegin},
        {true, false, false, true, clSilver, clWhite}, {true, false, true, false, kDarkGrey, clWhite},
        {true, false, false, false, kDarkGrey, clWhite},
    };
    for (const Case& c : cases) {
        panel.fgSetHorizontal(c.horizontal);
        panel.fgSetRotate(c.rotate);
        panel.fSetChecked(c.checked);
        panel.fSetEnabled(c.enabled);
        const QImage image = Render(panel);
        SCOPED_TRACE(testing::Message() << c.horizontal << c.rotate << c.checked << c.enabled);
        const QPoint first = c.horizontal ? QPoint(0, kMidY) : QPoint(kWidth / 2, 0);
        const QPoint last = c.horizontal ? QPoint(kWidth - 1, kMidY) : QPoint(kWidth / 2, kHeight - 1);
        const QPoint across = c.horizontal ? QPoint(0, kHeight - 1) : QPoint(kWidth - 1, 0);
        EXPECT_TRUE(PixelIs(image, first.x(), first.y(), c.first));
        EXPECT_TRUE(PixelIs(image, last.x(), last.y(), c.last, kStep));
        EXPECT_EQ(image.pixel(across), image.pixel(first));
    }
}

TEST_F(GradientCheckTest, FramesCornersAndFlatFill)
{
    struct Case {
        const char* name;
        bool gradient, frame, round, rotate;
        TColor edge, inside, corner; // middle of the left edge, just inside it, top-left pixel
    };
    const Case cases[] = {
        {"framed, rotated: outline keeps the start colour", true, true, false, true, kBegin, kEnd, kBegin},
        {"rounded gradient fills its corners too", true, true, true, false, kBegin, kBegin, kBegin},
        {"flat fill with outline", false, true, false, false, kBegin, kEnd, kBegin},
        {"rounded flat fill", false, true, true, false, kBegin, kEnd, kPanelColor},
        {"neither gradient nor frame", false, false, false, false, kPanelColor, kPanelColor, kPanelColor},
    };
    for (const Case& c : cases) {
        panel.fgSetGradient(c.gradient);
        panel.fgSetFrame(c.frame);
        panel.fgSetRound(c.round);
        panel.fgSetRotate(c.rotate);
        const QImage image = Render(panel);
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(PixelIs(image, 0, kMidY, c.edge));
        EXPECT_TRUE(PixelIs(image, 1, kMidY, c.inside, kStep));
        EXPECT_TRUE(PixelIs(image, 0, 0, c.corner));
    }
}

TEST_F(GradientCheckTest, HoverOnlyOnEnabledCheckablePanels)
{
    struct Case {
        bool checkable, enabled;
        int events;
        TColor left, right; // edges while the pointer is inside
    };
    const Case cases[] = {
        {true, true, 1, kLitBegin, kBegin}, // lightened gradient inside a two-pixel outline
        {false, true, 0, kBegin, kEnd},
        {true, false, 0, kDarkGrey, clWhite},
    };
    for (const Case& c : cases) {
        panel.fgSetCheckable(c.checkable);
        panel.fSetEnabled(c.enabled);
        enters = exits = 0;
        Enter(panel);
        const QImage inside = Render(panel);
        Leave(panel);
        SCOPED_TRACE(testing::Message() << "checkable " << c.checkable << ", enabled " << c.enabled);
        EXPECT_TRUE(PixelIs(inside, 0, kMidY, c.left));
        EXPECT_TRUE(PixelIs(inside, kWidth - 1, kMidY, c.right, kStep));
        EXPECT_TRUE(PixelIs(inside, kWidth / 2, 2, c.events ? kBegin : c.left, 130));
        EXPECT_TRUE(PixelIs(Render(panel), 0, kMidY, c.enabled ? kBegin : kDarkGrey));
        EXPECT_EQ(enters, c.events);
        EXPECT_EQ(exits, c.events);
    }
}

TEST_F(GradientCheckTest, AfterAHoverTheFlatOutlineIsStillOnePixelWide)
{
    panel.fgSetFrame(true);
    Enter(panel);
    Render(panel);
    panel.fgSetGradient(false);
    const QImage image = Render(panel);
    EXPECT_TRUE(PixelIs(image, 0, kMidY, kBegin));
    EXPECT_TRUE(PixelIs(image, 1, kMidY, kEnd));
}

TEST_F(GradientCheckTest, LeavingADisabledOrNonCheckablePanelEndsTheHoverLook)
{
    const std::function<void(bool)> switches[] = {[this](bool on) { panel.fSetEnabled(on); },
                                                  [this](bool on) { panel.fgSetCheckable(on); }};
    for (const auto& turn : switches) {
        Enter(panel);
        turn(false);
        Leave(panel);
        turn(true);
        EXPECT_TRUE(PixelIs(Render(panel), 0, kMidY, kBegin));
    }
}

TEST_F(GradientCheckTest, ClicksFlipCheckedOnlyWhenCheckable)
{
    const struct {
        bool checkable;
        int clicks;
        bool checked;
    } cases[] = {{true, 1, false}, {true, 2, true}, {false, 1, true}};
    for (const auto& c : cases) {
        panel.fgSetCheckable(true);
        panel.fgSetCheckable(c.checkable);
        clicks = 0;
        for (int i = 0; i < c.clicks; ++i)
            LeftClick(panel);
        EXPECT_EQ(panel.Checked(), c.checked) << c.checkable << " " << c.clicks;
        EXPECT_EQ(clicks, c.clicks);
    }
}

TEST_F(GradientCheckTest, EnteredWhileDisabledItShowsTheHoverLookOnceEnabled)
{
    const std::function<void(bool)> switches[] = {[this](bool on) { panel.fSetEnabled(on); },
                                                  [this](bool on) { panel.fgSetCheckable(on); }};
    for (const auto& turn : switches) {
        turn(false);
        Enter(panel);
        turn(true);
        EXPECT_TRUE(PixelIs(Render(panel), 0, kMidY, kLitBegin));
        EXPECT_EQ(enters, 0);
        Leave(panel);
    }
}

TEST_F(GradientCheckTest, ColoursFromHtmlTextsAndSystemColourValues)
{
    panel.fgSetColorHTMLEnd("#f0ffec");
    panel.fgSetColorBegin(clBtnFace);
    const QImage image = Render(panel);
    EXPECT_TRUE(PixelIs(image, 0, kMidY, ColorToRGB(clBtnFace)));
    EXPECT_TRUE(PixelIs(image, kWidth - 1, kMidY, RGBColor(240, 255, 236), kStep));
}

TEST(GradientCheckChildren, StatesAreSavedInOneListAndRestored)
{
    enum Step { Uncheck, Check, Disable, Enable, AddChild, RemoveChild, MakeCheckable };
    const struct {
        const char* name;
        bool force;
        std::vector<Step> steps;
        std::vector<bool> expected;
    } cases[] = {
        {"uncheck disables all", false, {Uncheck}, {false, false, false}},
        {"check restores", false, {Uncheck, Check}, {true, false, true}},
        {"enable restores", false, {Disable, Enable}, {true, false, true}},
        {"child added in between", false, {Uncheck, AddChild, Check}, {true, true, true, true}},
        {"child removed in between", false, {Uncheck, RemoveChild, Check}, {true, true}},
        {"forced on check", true, {Uncheck, Check}, {true, true, true}},
        {"forced on enable", true, {Disable, Enable}, {true, true, true}},
        {"one list for both", false, {Uncheck, Disable, Enable, Check}, {false, false, false}},
        {"making it checkable checks it", false, {Uncheck, MakeCheckable}, {true, false, true}},
    };
    for (const auto& c : cases) {
        TGradientCheck owner;
        owner.gForceChildEnabled = c.force;
        std::vector<std::unique_ptr<QWidget>> children;
        for (const bool enabled : {true, false, true}) {
            children.push_back(std::make_unique<QWidget>(&owner));
            children.back()->setEnabled(enabled);
        }
        const std::function<void()> actions[] = {
            [&] { owner.fSetChecked(false); }, [&] { owner.fSetChecked(true); },
            [&] { owner.fSetEnabled(false); }, [&] { owner.fSetEnabled(true); },
            [&] { children.push_back(std::make_unique<QWidget>(&owner)); }, [&] { children.pop_back(); },
            [&] { owner.fgSetCheckable(true); }};
        for (const Step step : c.steps)
            actions[step]();
        std::vector<bool> states;
        for (const auto& child : children)
            states.push_back(child->isEnabled());
        EXPECT_EQ(states, c.expected) << c.name;
    }
}

TEST_F(GradientCheckTest, VisibilityCarriesTheChildrenEvenThoseHiddenOneByOne)
{
    std::vector<QWidget*> children{new QWidget(&panel), new QWidget(&panel), new QWidget(&panel)};
    panel.show();
    children[0]->hide();
    children[2]->hide();
    panel.fSetVisible(false);
    EXPECT_FALSE(panel.isVisible());
    panel.fSetVisible(true);
    for (QWidget* child : children)
        EXPECT_TRUE(child->isVisible());
}

TEST_F(GradientCheckTest, PictureAtTheLeftByAlignmentBrighterOnHoverGreyWhenUnchecked)
{
    const TColor red = RGBColor(200, 0, 0);
    const struct {
        TGradientCheck::TPngAlignment align;
        bool checked, hover;
        int top;
        std::function<bool(TColor)> looks;
    } cases[] = {
        {TGradientCheck::paTop, true, false, 1, [&](TColor c) { return c == red; }},
        {TGradientCheck::paCenter, true, false, (kHeight - 6) / 2, [&](TColor c) { return c == red; }},
        {TGradientCheck::paBottom, true, false, kHeight - 6 - 1, [&](TColor c) { return c == red; }},
        {TGradientCheck::paTop, true, true, 1, [](TColor c) { return c == RGBColor(255, 55, 55); }},
        {TGradientCheck::paTop, false, false, 1, [](TColor c) { return GetRValue(c) == GetBValue(c); }},
    };
    panel.fgSetPngPicture(SolidPicture(8, 6, red));
    for (const auto& c : cases) {
        panel.fgSetPngAlign(c.align);
        panel.fSetChecked(c.checked);
        if (c.hover)
            Enter(panel);
        const QImage image = Render(panel);
        Leave(panel);
        SCOPED_TRACE(testing::Message() << "align " << c.align << ", checked " << c.checked);
        // 8 x 6 pixels from (2, top); a blended picture may differ by rounding.
        const TColor picture = FromQRgb(image.pixel(6, c.top + 3));
        EXPECT_TRUE(c.looks(picture));
        EXPECT_TRUE(PixelIs(image, 2, c.top, picture, 2) && PixelIs(image, 9, c.top + 5, picture, 2));
        for (const QPoint outside : {QPoint(1, c.top + 3), QPoint(10, c.top + 3), QPoint(2, c.top - 1),
                                     QPoint(2, c.top + 6)})
            EXPECT_FALSE(PixelIs(image, outside.x(), outside.y(), picture, 2));
    }
}

TEST(GradientCheckDescription, PublishedInOrderAndReadLikeSetUpInCode)
{
    const QMetaObject& meta = TGradientCheck::staticMetaObject;
    QStringList names;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        names << meta.property(i).name();
    EXPECT_EQ(names.join(' '), "gHorizontal gFrame gRotate gRound gCheckable gGradient gForceChildEnabled "
                               "gPngAlign gPngPicture gColorHTMLBegin gColorHTMLEnd gColorBegin gColorEnd "
                               "Checked Enabled Visible");
    RegisterClass<TGradientCheck>("TGradientCheck");
    QWidget form;
    const TPNGObject picture = SolidPicture(10, 10, clRed);
    std::ostringstream png;
    picture.SaveToStream(png);
    TFormReader::Read(&form, "object Form1: QWidget\n"
                             "  object CHG_1: TGradientCheck\n    Width = 80\n    Height = 30\n"
                             "    gColorBegin = clSilver\n    gColorEnd = clCream\n    gRound = True\n"
                             "    gColorHTMLBegin = '#102030'\n    gColorHTMLEnd = '#ignore'\n"
                             "    gGradient = False\n    gCheckable = False\n    gPngPicture.Data = {"
                                 + QByteArray::fromStdString(png.str()).toHex().toUpper().toStdString()
                                 + "}\n  end\nend\n");
    TGradientCheck inCode;
    inCode.resize(80, 30);
    inCode.fgSetCheckable(false);
    inCode.fgSetGradient(false);
    inCode.fgSetRound(true);
    inCode.fgSetColorHTMLBegin("#102030");
    inCode.fgSetColorBegin(clSilver);
    inCode.fgSetColorEnd(clCream);
    inCode.fgSetPngPicture(picture);
    auto* described = form.findChild<TGradientCheck*>("CHG_1");
    ASSERT_NE(described, nullptr);
    // Declaration order, not file order: the colour value comes after its text, and the text follows it.
    EXPECT_EQ(described->gColorHTMLBegin(), AnsiString("#C0C0C0"));
    EXPECT_EQ(Render(*described), Render(inCode));
}

// Each colour text and value written, read into a fresh form and written again: the same text, the same colours.
TEST(GradientCheckDescription, ColourTextsAndValuesReadBackAsWritten)
{
    struct TCase {
        const char* name;
        std::function<void(TGradientCheck&)> setUp;
    };
    const TCase cases[] = {
        {"text that is not hexadecimal", [](TGradientCheck& g) { g.fgSetColorHTMLEnd("#agnore"); }},
        {"text in lower case", [](TGradientCheck& g) { g.fgSetColorHTMLBegin("#f0ffec"); }},
        {"system colour after a text",
         [](TGradientCheck& g) {
             g.fgSetColorHTMLEnd("#102030");
             g.fgSetColorEnd(clBtnFace);
         }},
        {"value while the text is ignored",
         [](TGradientCheck& g) {
             g.fgSetColorHTMLBegin("#ignore");
             g.fgSetColorBegin(clCream);
         }},
    };
    RegisterClass<TGradientCheck>("TGradientCheck");
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget form;
        form.setObjectName("Form1");
        auto* original = new TGradientCheck(&form);
        original->setObjectName("CHG_1");
        c.setUp(*original);
        const std::string written = TFormWriter::Write(&form);
        QWidget copy;
        TFormReader::Read(&copy, written);
        const auto* read = copy.findChild<TGradientCheck*>("CHG_1");
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->gColorHTMLBegin().ToUtf8(), original->gColorHTMLBegin().ToUtf8());
        EXPECT_EQ(read->gColorHTMLEnd().ToUtf8(), original->gColorHTMLEnd().ToUtf8());
        EXPECT_EQ(read->gColorBegin(), original->gColorBegin());
        EXPECT_EQ(read->gColorEnd(), original->gColorEnd());
        EXPECT_EQ(TFormWriter::Write(&copy), written);
    }
}

TEST(GradientCheckSheet, RendersEveryLookIntoOneSheet)
{
    const std::function<void(TGradientCheck&)> looks[] = {
        [](TGradientCheck&) {},
        [](TGradientCheck& p) { p.fgSetHorizontal(false); },
        [](TGradientCheck& p) { p.fgSetRotate(true); },
        [](TGradientCheck& p) { p.fgSetRound(true); },
        [](TGradientCheck& p) { Enter(p); },
        [](TGradientCheck& p) { p.fSetChecked(false); },
        [](TGradientCheck& p) { p.fSetEnabled(false); },
        [](TGradientCheck& p) { p.fgSetGradient(false), p.fgSetRound(true), p.fgSetColorHTMLEnd("#f0ffec"); },
    };
    TSheet sheet(4);
    for (const auto& setUp : looks) {
        TGradientCheck panel;
        panel.resize(120, 48);
        panel.fgSetColorHTMLBegin("#3060C0");
        panel.fgSetColorHTMLEnd("#F0F8FF");
        panel.fgSetPngPicture(SolidPicture(16, 16, RGBColor(200, 120, 0)));
        panel.fgSetPngAlign(TGradientCheck::paCenter);
        setUp(panel);
        sheet.Add(Render(panel));
    }
    EXPECT_EQ(QImage(sheet.Save("gradientcheck_sheet.png")).size(), QSize(6 + 4 * 126, 6 + 2 * 54));
}

namespace {

// A checked, checkable panel in a window, holding one child of each kind that takes clicks or shows text, a
// disabled label, and a free spot of its own surface.
class GradientCheckChildClicks : public ::testing::Test {
protected:
    GradientCheckChildClicks()
    {
        window.resize(300, 120);
        panel->setGeometry(10, 10, 280, 100);
        QObject::connect(panel, &TGradientCheck::OnClick, [this](QObject*) { ++panelClicks; });
        box->SetPngCheck(SolidPicture(16, 16, clGreen));
        box->SetPngUncheck(SolidPicture(16, 16, clRed));
        box->setGeometry(10, 10, 60, 16);
        label->fSetCaption("Label");
        label->setGeometry(80, 10, 60, 20);
        disabledLabel->fSetCaption("Off");
        disabledLabel->setGeometry(80, 50, 60, 20);
        disabledLabel->setEnabled(false);
        inner->setGeometry(150, 10, 60, 40);
        QObject::connect(inner, &TGradientCheck::OnClick, [this](QObject*) { ++innerClicks; });
        xpButton->setGeometry(10, 50, 60, 24);
        button->setGeometry(220, 10, 50, 24);
        edit->setGeometry(220, 40, 50, 24);
    }

    struct Target {
        const char* name;
        QWidget* widget;
        QPoint spot; // where the click lands, in the target
        bool panelChecked; // after one click on the target
        int panelClicks;
    };

    std::vector<Target> Targets()
    {
        return {{"picture check box", box, box->rect().center(), true, 0},
                {"shadow label", label, label->rect().center(), true, 0},
                {"nested panel", inner, inner->rect().center(), true, 0},
                {"disabled label: the panel's own", disabledLabel, disabledLabel->rect().center(), false, 1},
                {"disabled XP button: the panel's own", xpButton, xpButton->rect().center(), false, 1},
                {"disabled button: the panel's own", button, button->rect().center(), false, 1},
                {"disabled edit: the panel's own", edit, edit->rect().center(), false, 1},
                {"the panel's surface", panel, QPoint(250, 80), false, 1}};
    }

    void Reset()
    {
        panel->fSetChecked(true);
        inner->fSetChecked(true);
        box->fSetChecked(false);
        for (QWidget* disabled : std::initializer_list<QWidget*>{disabledLabel, xpButton, button, edit})
            disabled->setEnabled(false);
        panelClicks = innerClicks = 0;
    }

    void ExpectClickBelongsTo(const Target& target)
    {
        EXPECT_EQ(panel->Checked(), target.panelChecked);
        EXPECT_EQ(panelClicks, target.panelClicks);
        EXPECT_EQ(box->Checked(), target.widget == box);
        EXPECT_EQ(box->isEnabled(), target.panelChecked);
        EXPECT_EQ(inner->Checked(), target.widget != inner);
        EXPECT_EQ(innerClicks, target.widget == inner ? 1 : 0);
    }

    QWidget window;
    TGradientCheck* panel = new TGradientCheck(&window);
    TPngCheckBox* box = new TPngCheckBox(panel);
    TShadowLabel* label = new TShadowLabel(panel);
    TShadowLabel* disabledLabel = new TShadowLabel(panel);
    TGradientCheck* inner = new TGradientCheck(panel);
    TXpButton* xpButton = new TXpButton(panel);
    TButton* button = new TButton(panel);
    TEdit* edit = new TEdit(panel);
    int panelClicks = 0;
    int innerClicks = 0;
};

} // namespace

TEST_F(GradientCheckChildClicks, AClickBelongsToTheControlUnderThePointer)
{
    window.show();
    QApplication::processEvents();
    for (const Target& target : Targets()) {
        SCOPED_TRACE(target.name);
        Reset();
        QTest::mouseClick(target.widget, Qt::LeftButton, {}, target.spot);
        ExpectClickBelongsTo(target);
    }
}

// Unchecking the panel greys every child; a click on a greyed button checks it again.
TEST_F(GradientCheckChildClicks, X11AClickOnAGreyedButtonChecksThePanelAgain)
{
    SKIP_WITHOUT_X11();
    ASSERT_TRUE(ShowActive(window));
    for (QWidget* greyed : std::initializer_list<QWidget*>{xpButton, button}) {
        Reset();
        greyed->setEnabled(true);
        panel->fSetChecked(false);
        ASSERT_FALSE(greyed->isEnabled());
        EventCounter releases(greyed);
        ASSERT_TRUE(XClick(*greyed, greyed->rect().center()));
        ASSERT_TRUE(releases.WaitFor(QEvent::MouseButtonRelease));
        EXPECT_TRUE(panel->Checked()) << greyed->metaObject()->className();
        EXPECT_TRUE(greyed->isEnabled()) << greyed->metaObject()->className();
    }
}

TEST_F(GradientCheckChildClicks, X11AClickBelongsToTheControlUnderThePointer)
{
    SKIP_WITHOUT_X11();
    ASSERT_TRUE(ShowActive(window));
    for (const Target& target : Targets()) {
        SCOPED_TRACE(target.name);
        Reset();
        EventCounter releases(target.widget);
        ASSERT_TRUE(XClick(*target.widget, target.spot));
        ASSERT_TRUE(releases.WaitFor(QEvent::MouseButtonRelease));
        ExpectClickBelongsTo(target);
    }
}
