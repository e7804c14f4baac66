#include "classlib/forms/formreader.h"

#include "classlib/graphics/canvas.h"
#include "classlib/widgets/controlproperties.h"
#include "classlib/base/exception.h"
#include "classlib/widgets/panel.h"
#include "classlib/forms/standardclasses.h"
#include "classlib/widgets/statusbar.h"
#include "formtestcomponents.h"

#include <gtest/gtest.h>

#include <QEvent>

#include <functional>
#include <sstream>

#include <QPalette>

namespace {

class FormReader : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RegisterStandardClasses();
        RegisterTestComponents();
    }

    template <class T>
    T* Child(const char* name)
    {
        T* child = form.findChild<T*>(name);
        if (!child)
            throw std::runtime_error(std::string("no component ") + name);
        return child;
    }

    std::string ErrorOf(const std::string& text)
    {
        try {
            TFormReader::Read(&form, text);
        } catch (const EReadError& error) {
            return error.Message().ToUtf8();
        }
        return "no error";
    }

    TTestForm form;
};

// Calls seen at every Show event of the watched widget.
class TShowWatch : public QObject {
public:
    TShowWatch(QWidget* watched, std::function<void()> seen) : seen_(std::move(seen))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            seen_();
        return false;
    }

private:
    std::function<void()> seen_;
};

std::string Png()
{
    return TestPng().toHex().toUpper().toStdString();
}

} // namespace

TEST_F(FormReader, CreatesComponentsUnderTheirParentsAndSetsEveryKindOfValue)
{
    TFormReader::Read(&form, "object MainForm: TTestForm\n"
                             "  object Panel1: TTestPanel\n"
                             "    object Button1: TTestButton\n"
                             "      Caption = 'Стирание '\n"
                             "      Alignment = taRightJustify\n"
                             "      Options = [boRound, boShadow]\n"
                             "      Level = 255\n"
                             "      BorderColor = clBtnFace\n"
                             "      Ratio = 2.5\n"
                             "      Lines.Strings = (\n"
                             "        '9600'\n"
                             "        '19200')\n"
                             "      Blob = {00FF}\n"
                             "      Images = List1\n"
                             "    end\n"
                             "  end\n"
                             "  object List1: TTestList\n"
                             "    Entries = <\n"
                             "      item\n"
                             "        Name = 'first'\n"
                             "        Value = 7\n"
                             "      end>\n"
                             "    Picture.Data = {" + Png() + "}\n"
                             "  end\n"
                             "end\n");

    EXPECT_EQ(form.objectName(), "MainForm");
    auto* button = Child<TTestButton>("Button1");
    auto* list = Child<TTestList>("List1");
    EXPECT_EQ(button->parent(), Child<TTestPanel>("Panel1"));
    EXPECT_EQ(list->parent(), &form);
    EXPECT_EQ(button->Caption(), AnsiString::FromUtf8("Стирание "));
    EXPECT_EQ(button->Alignment(), TTestButton::taRightJustify);
    EXPECT_EQ(button->Options(), TTestButton::TButtonOptions(TTestButton::boRound | TTestButton::boShadow));
    EXPECT_EQ(button->Level(), 255);
    EXPECT_EQ(button->BorderColor(), clBtnFace);
    EXPECT_DOUBLE_EQ(button->Ratio(), 2.5);
    EXPECT_EQ(button->Lines(), QStringList({"9600", "19200"}));
    EXPECT_EQ(button->Blob(), QByteArray::fromHex("00FF"));
    EXPECT_EQ(button->Images(), list); // named before List1 was created
    ASSERT_EQ(list->entries.size(), 1u);
    EXPECT_EQ(list->entries[0].name, "first");
    EXPECT_EQ(list->entries[0].value, 7);
    EXPECT_EQ(list->picture.pixel(1, 0), qRgba(0, 0, 255, 128));
}

TEST_F(FormReader, SetsPropertiesInDeclarationOrderNotFileOrder)
{
    TFormReader::Read(&form, "object F: TTestForm\n"
                             "  object B: TTestButton\n"
                             "    Margin = 3\n"
                             "    Level = 1\n"
                             "  end\n"
                             "end\n");
    EXPECT_EQ(Child<TTestButton>("B")->order, (std::vector<std::string>{"Level", "Margin"}));
}

TEST_F(FormReader, ConnectsEventsToTheHandlersOfTheRoot)
{
    TFormReader::Read(&form, "object F: TTestForm\n"
                             "  object B: TTestButton\n"
                             "    OnClick = ButtonClick\n"
                             "    OnChange = ButtonChange\n"
                             "  end\n"
                             "end\n");
    auto* button = Child<TTestButton>("B");
    emit button->OnClick(button);
    emit button->OnChange();
    EXPECT_EQ(form.calls, (std::vector<std::string>{"ButtonClick B", "ButtonChange"}));
}

TEST_F(FormReader, CommonControlPropertiesApplyToAnyWidget)
{
    TFormReader::Read(&form, "object F: TTestForm\n"
                             "  Caption = ' Окно '\n"
                             "  Font.Height = -24\n"
                             "  Font.Name = 'DejaVu Sans'\n"
                             "  object P: TTestPanel\n"
                             "    Left = 5\n"
                             "    Top = 6\n"
                             "    Width = 70\n"
                             "    Height = 40\n"
                             "    Cursor = crHandPoint\n"
                             "    Hint = 'help'\n"
                             "    ShowHint = True\n"
                             "    Enabled = False\n"
                             "    Visible = False\n"
                             "    Color = clRed\n"
                             "    Font.Color = clWhite\n"
                             "    Font.Style = [fsBold]\n"
                             "    TabStop = True\n"
                             "  end\n"
                             "  object B2: TTestButton\n"
                             "    TabOrder = 1\n"
                             "  end\n"
                             "  object B1: TTestButton\n"
                             "    TabOrder = 0\n"
                             "  end\n"
                             "end\n");
    auto* panel = Child<TTestPanel>("P");
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8(" Окно "));
    EXPECT_EQ(panel->geometry(), QRect(5, 6, 70, 40));
    EXPECT_EQ(panel->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(panel->toolTip(), "help");
    EXPECT_FALSE(panel->isEnabled());
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(TControlProperties::Color(panel), clRed);
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(panel->palette().color(QPalette::Active, QPalette::WindowText), QColor(255, 255, 255));
    EXPECT_EQ(panel->palette().color(QPalette::Disabled, QPalette::WindowText), ToQColor(clGrayText));
    EXPECT_TRUE(panel->font().bold());
    EXPECT_EQ(panel->font().pixelSize(), 24); // the rest of the font comes from the form
    EXPECT_EQ(form.font().family(), "DejaVu Sans");
    EXPECT_EQ(TControlProperties::Color(Child<TTestButton>("B1")), clBtnFace);
    EXPECT_EQ(Child<TTestButton>("B1")->nextInFocusChain(), Child<TTestButton>("B2"));
    EXPECT_EQ(panel->focusPolicy(), Qt::StrongFocus);
}

TEST_F(FormReader, BadDescriptionsNameTheLineAndTheCause)
{
    const std::string head = "object F: TTestForm\n  object B: TTestButton\n";
    const std::string tail = "  end\nend\n";
    struct Case {
        std::string body;
        std::string message;
    };
    const Case cases[] = {
        {"    object X: TNoSuchClass\n    end\n", "Line 3: unknown class TNoSuchClass"},
        {"    Colour = clRed\n", "Line 3: B (TTestButton) has no property Colour"},
        {"    Caption = 5\n", "Line 3: B (TTestButton).Caption: expected a string, found a number"},
        {"    Caption = 'ẞ'\n", "Line 3: B (TTestButton).Caption: the text has characters that Windows-1251 cannot hold"},
        {"    Level = 256\n", "Line 3: B (TTestButton).Level: 256 is out of range 0..255"},
        {"    Margin = 2147483648\n", "Line 3: B (TTestButton).Margin: 2147483648 is out of range -2147483648..2147483647"},
        {"    Alignment = taMiddle\n", "Line 3: B (TTestButton).Alignment: 'taMiddle' is not a value of TAlignment"},
        {"    Options = [boFlat, boSquare]\n", "Line 3: B (TTestButton).Options: 'boSquare' is not a member of TButtonOptions"},
        {"    BorderColor = clPink\n", "Line 3: B (TTestButton).BorderColor: 'clPink' is not a colour name"},
        {"    Enabled = Yes\n", "Line 3: B (TTestButton).Enabled: expected True or False"},
        {"    Width = -1\n", "Line 3: B (TTestButton).Width: -1 is out of range 0..16777215"},
        {"    Font.Height = 0\n", "Line 3: B (TTestButton).Font.Height: a font height of 0 has no size"},
        {"    Font.Height = -4096\n", "Line 3: B (TTestButton).Font.Height: -4096 is out of range -512..512"},
        {"    Pressed = True\n", "Line 3: B (TTestButton).Pressed: Pressed is read-only"},
        {"    Images = Nobody\n", "Line 3: B (TTestButton).Images: there is no component named Nobody"},
        {"    Images = F\n", "Line 3: B (TTestButton).Images: F is not a TTestList"},
        {"    OnClick = Missing\n", "Line 3: B (TTestButton).OnClick: TTestForm has no handler 'Missing' that fits OnClick(QObject*)"},
        {"    OnChange = deleteLater\n", "Line 3: B (TTestButton).OnChange: TTestForm has no handler 'deleteLater' that fits OnChange()"},
        {"    OnClick = 'ButtonClick'\n", "Line 3: B (TTestButton).OnClick: expected the name of a handler"},
        {"    OnClick = OnActivate\n", "Line 3: B (TTestButton).OnClick: TTestForm has no handler 'OnActivate' that fits OnClick(QObject*)"},
        {"    Level = 1\n    Level = 2\n", "Line 4: B (TTestButton): property Level is given twice"},
        {"    object B: TTestButton\n    end\n", "Line 3: a component named B exists already"},
        {"  end\n  object L: TTestList\n    object C: TTestButton\n    end\n",
         "Line 5: L (TTestList).object C: a control of class TTestButton cannot be placed in the non-visual TTestList"},
        {"  end\n  object L: TTestList\n    Picture.Data = {89504E47}\n",
         "Line 5: L (TTestList).Picture.Data: the picture is not a valid PNG file"},
        {"  end\n  object L: TTestList\n    Entries = <\n      item\n        Colour = 1\n      end>\n",
         "Line 5: L (TTestList).Entries: an entry has no property Colour"},
        {"    Caption = 'open\n", "Line 3: string not closed with a quote"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorOf(head + c.body + tail), c.message) << c.body;
        EXPECT_EQ(form.findChild<QObject*>("B"), nullptr) << "created components are deleted again: " << c.body;
    }
    EXPECT_EQ(ErrorOf("object F: TTestButton\nend\n"), "Line 1: the description is for TTestButton, not for TTestForm");
    EXPECT_EQ(ErrorOf("object F: TTestForm\n  OnActivate = OnActivate\nend\n"),
              "Line 2: F (TTestForm).OnActivate: TTestForm has no handler 'OnActivate' that fits OnActivate(QObject*)");
}

TEST_F(FormReader, FailedReadLeavesTheRootAsItWasAndBindsNothing)
{
    form.setObjectName("Before");
    form.setWindowTitle("before");
    form.resize(120, 90);
    const std::string failing = "object F: TTestForm\n"
                                "  Caption = 'after'\n"
                                "  Width = 300\n"
                                "  Color = clRed\n"
                                "  OnActivate = FormActivate\n"
                                "  object B: TTestButton\n"
                                "    OnClick = ButtonClick\n"
                                "  end\n"
                                "  object X: TNoSuchClass\n"
                                "  end\n"
                                "end\n";
    EXPECT_EQ(ErrorOf(failing), "Line 9: unknown class TNoSuchClass");
    EXPECT_EQ(form.objectName(), "Before");
    EXPECT_EQ(form.windowTitle(), "before");
    EXPECT_EQ(form.size(), QSize(120, 90));
    EXPECT_TRUE(form.palette().color(QPalette::Window) != QColor(255, 0, 0));
    EXPECT_FALSE(form.autoFillBackground());
    EXPECT_TRUE(form.findChildren<QObject*>(Qt::FindDirectChildrenOnly).isEmpty());
    emit form.OnActivate(&form);
    EXPECT_TRUE(form.calls.empty());
}

// Whatever a failed read set, the fresh form is as it was: a palette and font of its own again or none, the
// disabled text colour of the application, no value left behind as a dynamic property.
TEST_F(FormReader, FailedReadLeavesAFreshFormExactlyAsItWas)
{
    const auto state = [](const TTestForm& f) {
        std::ostringstream text;
        text << f.testAttribute(Qt::WA_SetPalette) << f.testAttribute(Qt::WA_SetFont) << f.autoFillBackground() << ' '
             << f.palette().color(QPalette::Disabled, QPalette::WindowText).name().toStdString() << ' '
             << f.palette().color(QPalette::Window).name().toStdString() << ' ' << f.font().toString().toStdString();
        for (const QByteArray& name : f.dynamicPropertyNames())
            text << ' ' << name.toStdString() << '=' << f.property(name.constData()).toString().toStdString();
        return text.str();
    };
    const std::string failing = "object F: TTestForm\n"
                                "  Color = clRed\n"
                                "  Font.Charset = RUSSIAN_CHARSET\n"
                                "  Font.Color = clBlue\n"
                                "  Font.Height = -20\n"
                                "  Broken = 1\n"
                                "end\n";
    const std::string fresh = state(form);
    EXPECT_EQ(ErrorOf(failing), "Line 6: F (TTestForm) has no property Broken");
    EXPECT_EQ(state(form), fresh);

    form.setProperty("zentor:Kept", 5);
    QPalette own = form.palette();
    own.setColor(QPalette::Window, QColor(1, 2, 3));
    form.setPalette(own);
    const std::string owned = state(form);
    EXPECT_NE(ErrorOf(failing), "no error");
    EXPECT_EQ(state(form), owned);
}

// A window whose description makes it visible shows once, with every child; a failed read never shows it.
TEST_F(FormReader, AWindowShowsOnlyWhenItsWholeDescriptionIsRead)
{
    std::vector<int> childrenWhenShown;
    TShowWatch shows(&form, [&] { childrenWhenShown.push_back(int(form.findChildren<TTestButton*>().size())); });
    const std::string text = "object F: TTestForm\n  Visible = True\n  object A: TTestButton\n  end\n"
                             "  object B: TTestButton\n  end\n";
    EXPECT_NE(ErrorOf(text + "  object X: TNoSuchClass\n  end\nend\n"), "no error");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ErrorOf(text + "end\n"), "no error");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(childrenWhenShown, std::vector<int>{2});
}

TEST_F(FormReader, ReadingTheSameHandlerAgainBindsItOnce)
{
    const std::string text = "object F: TTestForm\n  OnActivate = FormActivate\nend\n";
    EXPECT_EQ(ErrorOf(text.substr(0, text.size() - 4) + "  Width = -1\nend\n"), "Line 3: F (TTestForm).Width: -1 is out of range 0..16777215");
    TFormReader::Read(&form, text);
    TFormReader::Read(&form, text);
    emit form.OnActivate(&form);
    EXPECT_EQ(form.calls, std::vector<std::string>{"FormActivate"});
}

TEST_F(FormReader, AlignedControlsAreArrangedOncePerParentAtTheEnd)
{
    std::string text = "object F: TTestForm\n  Width = 300\n  Height = 200\n  object Probe: TAlignProbe\n  end\n";
    constexpr int kPanels = 200;
    for (int i = 0; i < kPanels; ++i)
        text += "  object S" + std::to_string(i) + ": TStatusBar\n    Height = 1\n  end\n" +
                "  object P" + std::to_string(i) + ": TPanel\n    Height = 1\n    Align = alTop\n  end\n";
    TFormReader::Read(&form, text + "end\n");
    auto* probe = Child<TAlignProbe>("Probe");
    EXPECT_EQ(probe->asked, 5) << "one pass over the children for each of the five alignments";
    EXPECT_EQ(Child<TPanel>("P199")->geometry(), QRect(0, 199, 300, 1));
    EXPECT_EQ(Child<TStatusBar>("S0")->geometry(), QRect(0, 199, 300, 1));
    EXPECT_EQ(Child<TStatusBar>("S199")->geometry(), QRect(0, 0, 300, 1)); // the bottom edge fills upwards
}

TEST_F(FormReader, ControlsHaveTheGeometryTheirDescriptionGives)
{
    TFormReader::Read(&form, "object F: TTestForm\n"
                             "  Width = 543\n"
                             "  Height = 229\n"
                             "  object Panel1: TPanel\n"
                             "    Left = 0\n"
                             "    Top = 0\n"
                             "    Width = 543\n"
                             "    Height = 204\n"
                             "    Align = alClient\n"
                             "    object Inner: TPanel\n"
                             "      Height = 30\n"
                             "      Align = alBottom\n"
                             "    end\n"
                             "  end\n"
                             "  object Status: TStatusBar\n"
                             "    Left = 0\n"
                             "    Top = 204\n"
                             "    Width = 543\n"
                             "    Height = 25\n"
                             "  end\n"
                             "end\n");
    EXPECT_EQ(Child<TPanel>("Panel1")->geometry(), QRect(0, 0, 543, 204));
    EXPECT_EQ(Child<TPanel>("Inner")->geometry(), QRect(0, 174, 543, 30));
    EXPECT_EQ(Child<TStatusBar>("Status")->geometry(), QRect(0, 204, 543, 25));
}


// A missing file, and a device without end or size: the latter is read no further than the longest text.
TEST_F(FormReader, FilesThatGiveNoDescriptionAreErrors)
{
    EXPECT_THROW(TFormReader::ReadFile(&form, "/nonexistent/form.zfm"), EReadError);
    try {
        TFormReader::ReadFile(&form, "/dev/zero");
        FAIL() << "no error";
    } catch (const EReadError& error) {
        const std::string message = error.Message().ToUtf8();
        EXPECT_NE(message.find("is longer than 16777216 bytes"), std::string::npos) << message;
    }
}

TEST_F(FormReader, ManyComponentsAreReadWithoutSearchingTheTreeForEach)
{
    std::string text = "object F: TTestForm\n";
    constexpr int kCount = 20000;
    for (int i = 0; i < kCount; ++i)
        text += "  object L" + std::to_string(i) + ": TTestList\n  end\n";
    TFormReader::Read(&form, text + "end\n");
    EXPECT_EQ(form.findChildren<TTestList*>().size(), static_cast<qsizetype>(kCount));
    EXPECT_EQ(ErrorOf("object F: TTestForm\n  object L19999: TTestList\n  end\nend\n"),
              "Line 2: a component named L19999 exists already");
}
