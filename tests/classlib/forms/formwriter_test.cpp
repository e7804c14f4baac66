#include "classlib/forms/formwriter.h"

#include "classlib/widgets/controlproperties.h"
#include "classlib/forms/eventbinding.h"
#include "classlib/base/exception.h"
#include "classlib/forms/formreader.h"
#include "formtestcomponents.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

class FormWriter : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterTestComponents(); }

    template <class T>
    T* Add(QObject* parent, const char* name)
    {
        T* component = nullptr;
        if constexpr (std::is_base_of_v<QWidget, T>)
            component = new T(static_cast<QWidget*>(parent));
        else
            component = new T(parent);
        component->setObjectName(name);
        return component;
    }

    TTestForm form;
};

} // namespace

TEST_F(FormWriter, StoresOnlyValuesThatDifferFromAFreshInstance)
{
    form.setObjectName("F");
    Add<TTestPanel>(&form, "P");
    Add<TTestList>(&form, "L");
    Add<TTestButton>(&form, "B")->SetMargin(9);
    EXPECT_EQ(TFormWriter::Write(&form), "object F: TTestForm\n"
                                         "  object P: TTestPanel\n"
                                         "  end\n"
                                         "  object L: TTestList\n"
                                         "  end\n"
                                         "  object B: TTestButton\n"
                                         "    Margin = 9\n"
                                         "  end\n"
                                         "end\n");
}

TEST_F(FormWriter, WritesEveryKindOfValueInTheDescriptionSyntax)
{
    form.setObjectName("F");
    auto* panel = Add<TTestPanel>(&form, "P");
    panel->setGeometry(1, 2, 30, 40);
    TControlProperties::SetColor(panel, clCream);
    auto* button = Add<TTestButton>(panel, "B");
    button->SetCaption(AnsiString::FromUtf8("It's\r\n" + std::string(70, 'x')));
    button->SetAlignment(TTestButton::taLeftJustify);
    button->SetOptions(TTestButton::boRound | TTestButton::boShadow);
    button->SetBorderColor(0x123456);
    button->SetRatio(0.25);
    button->SetLines({"a", "b"});
    button->SetBlob(QByteArray(33, '\x01'));
    auto* list = Add<TTestList>(&form, "L");
    list->entries = {{"one", 1}, {"two", 0}};
    button->SetImages(list);
    TEventBinding::Bind(button, "OnClick", &form, "ButtonClick");

    EXPECT_EQ(TFormWriter::Write(&form),
              "object F: TTestForm\n"
              "  object P: TTestPanel\n"
              "    Left = 1\n"
              "    Top = 2\n"
              "    Width = 30\n"
              "    Height = 40\n"
              "    ParentColor = False\n"
              "    Color = clCream\n"
              "    object B: TTestButton\n"
              "      Caption = 'It''s'#13#10'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx' +\n"
              "        'xxxxxxxxxxxx'\n"
              "      Alignment = taLeftJustify\n"
              "      Options = [boRound, boShadow]\n"
              "      BorderColor = 1193046\n"
              "      Ratio = 0.25\n"
              "      Lines.Strings = (\n"
              "        'a'\n"
              "        'b')\n"
              "      Blob = {\n"
              "        0101010101010101010101010101010101010101010101010101010101010101\n"
              "        01}\n"
              "      Images = L\n"
              "      OnClick = ButtonClick\n"
              "    end\n"
              "  end\n"
              "  object L: TTestList\n"
              "    Entries = <\n"
              "      item\n"
              "        Name = 'one'\n"
              "        Value = 1\n"
              "      end\n"
              "      item\n"
              "        Name = 'two'\n"
              "      end>\n"
              "  end\n"
              "end\n");
}

TEST_F(FormWriter, RoundTripGivesTheSameTextAndTheSamePixels)
{
    form.setObjectName("F");
    form.resize(160, 90);
    TControlProperties::SetColor(&form, clSilver);
    QFont font = form.font();
    font.setPixelSize(13);
    form.setFont(font);
    auto* panel = Add<TTestPanel>(&form, "P");
    panel->setGeometry(4, 4, 150, 60);
    TControlProperties::SetColor(panel, clCream);
    auto* button = Add<TTestButton>(panel, "B");
    button->setGeometry(6, 6, 120, 26);
    button->SetCaption(AnsiString::FromUtf8("Прочитать"));
    button->SetBorderColor(clNavy);
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    TControlProperties::SetFontColor(button, clRed);
    auto* hidden = Add<TTestButton>(&form, "H");
    hidden->setGeometry(0, 70, 50, 20);
    hidden->setVisible(false);
    auto* shown = Add<TTestButton>(&form, "S");
    shown->setGeometry(60, 66, 90, 22);
    shown->SetAlignment(TTestButton::taRightJustify);
    shown->setEnabled(false);
    auto* list = Add<TTestList>(&form, "L");
    list->entries = {{"one", 1}};
    list->pictureData = TestPng();
    TEventBinding::Bind(shown, "OnChange", &form, "ButtonChange");

    const std::string first = TFormWriter::Write(&form);
    TTestForm copy;
    TFormReader::Read(&copy, first);
    const std::string second = TFormWriter::Write(&copy);

    EXPECT_EQ(second, first);
    EXPECT_EQ(copy.grab().toImage(), form.grab().toImage());
    EXPECT_NE(first.find("Visible = False"), std::string::npos);
    EXPECT_NE(first.find("Font.Color = clRed"), std::string::npos);
    EXPECT_NE(first.find("Picture.Data = {"), std::string::npos);
}

TEST_F(FormWriter, WhatTheReaderCouldNotReadBackIsRefused)
{
    struct Case {
        const char* what;
        std::function<void(TTestForm&)> build;
        std::string message;
    };
    const auto button = [](QObject* parent, const char* name) {
        auto* created = new TTestButton(static_cast<QWidget*>(parent));
        created->setObjectName(QString::fromUtf8(name));
        return created;
    };
    const auto referToHidden = [&](TTestForm& f, QObject* holder) {
        auto* hidden = new TTestList(holder);
        hidden->setObjectName("Hidden");
        button(&f, "B")->SetImages(hidden);
    };
    const auto withFont = [](QWidget* widget, const std::function<void(QFont&)>& change) {
        QFont font = widget->font();
        change(font);
        widget->setFont(font);
    };
    const std::string longName(std::size_t{2} << 20, 'a');
    QObject outside;
    auto* stranger = new TTestList(&outside);
    stranger->setObjectName("Stranger");
    const Case cases[] = {
        {"blank in a name", [&](TTestForm& f) { button(&f, "My Panel"); },
         "My Panel (TTestButton): the name is not an identifier (letters A to Z, digits and '_', not first a digit)"},
        {"Cyrillic name", [&](TTestForm& f) { button(&f, "Кнопка"); },
         "Кнопка (TTestButton): the name is not an identifier (letters A to Z, digits and '_', not first a digit)"},
        {"digit first", [&](TTestForm& f) { button(&f, "1st"); },
         "1st (TTestButton): the name is not an identifier (letters A to Z, digits and '_', not first a digit)"},
        {"unnamed reference",
         [&](TTestForm& f) { button(&f, "B")->SetImages(new TTestList(&f)); },
         "B (TTestButton).Images: refers to a component without a name"},
        {"reference outside the tree", [&](TTestForm& f) { button(&f, "B")->SetImages(stranger); },
         "B (TTestButton).Images: refers to Stranger (TTestList), which is not in the written tree"},
        {"enumeration value without a name",
         [&](TTestForm& f) { button(&f, "B")->SetAlignment(static_cast<TTestButton::TAlignment>(99)); },
         "B (TTestButton).Alignment: 99 is not a value of TAlignment"},
        {"two components of one name", 
         [&](TTestForm& f) {
             button(new TTestPanel(&f), "B");
             button(&f, "B");
         },
         "B (TTestButton): another component of the written tree has this name"},
        {"a child with the root's name", [&](TTestForm& f) { button(&f, "F"); },
         "F (TTestButton): another component of the written tree has this name"},
        {"reference to a list under an unregistered object", [&](TTestForm& f) { referToHidden(f, new QObject(&f)); },
         "B (TTestButton).Images: refers to Hidden (TTestList), which is not in the written tree"},
        {"reference to a list under an unregistered widget", [&](TTestForm& f) { referToHidden(f, new QWidget(&f)); },
         "B (TTestButton).Images: refers to Hidden (TTestList), which is not in the written tree"},
        {"600 px font", [&](TTestForm& f) { withFont(button(&f, "B"), [](QFont& font) { font.setPixelSize(600); }); },
         "B (TTestButton).Font.Height: a font height of -600 is outside -512..-1"},
        {"400 pt font", [&](TTestForm& f) { withFont(button(&f, "B"), [](QFont& font) { font.setPointSize(400); }); },
         "B (TTestButton).Font.Height: a font height of -533 is outside -512..-1"},
        {"2 MiB name", [&](TTestForm& f) { button(&f, longName.c_str()); },
         std::string(40, 'a') + " (TTestButton): the name is longer than a line of the description may be"},
        {"number that is not a number", [&](TTestForm& f) { button(&f, "B")->SetRatio(std::nan("")); },
         "B (TTestButton).Ratio: a number that is not finite cannot be written"},
    };
    for (const Case& c : cases) {
        TTestForm written;
        written.setObjectName("F");
        c.build(written);
        try {
            const std::string text = TFormWriter::Write(&written);
            ADD_FAILURE() << c.what << " was written:\n" << text;
        } catch (const EWriteError& error) {
            EXPECT_EQ(error.Message().ToUtf8(), c.message) << c.what;
        }
    }
}

TEST_F(FormWriter, NegativeZeroKeepsItsSign)
{
    Add<TTestButton>(&form, "B")->SetRatio(-0.0);
    const std::string text = TFormWriter::Write(&form);
    EXPECT_NE(text.find("Ratio = -0.0\n"), std::string::npos) << text;
    TTestForm copy;
    TFormReader::Read(&copy, text);
    EXPECT_TRUE(std::signbit(copy.findChild<TTestButton*>("B")->Ratio()));
}

TEST_F(FormWriter, ReferenceToTheRootOrInsideTheTreeIsWritten)
{
    form.setObjectName("F");
    auto* panel = Add<TTestPanel>(&form, "P");
    auto* list = Add<TTestList>(panel, "L");
    Add<TTestButton>(&form, "B")->SetImages(list);
    EXPECT_NE(TFormWriter::Write(&form).find("Images = L\n"), std::string::npos);
}
