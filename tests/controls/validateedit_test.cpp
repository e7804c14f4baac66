#include "controls/validateedit.h"

#include "classlib/forms/classregistry.h"
#include "controls/controlclasses.h"
#include "classlib/forms/formreader.h"
#include "pixeltestsupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

using V = TValidateEdit;

class ValidateEditTest : public ::testing::Test {
protected:
    ValidateEditTest()
    {
        edit.resize(200, 24);
        edit.show();
        edit.activateWindow();
        edit.setFocus();
        QApplication::processEvents();
    }

    void Start(const QString& text, int selStart, int selLength = 0)
    {
        edit.setText(text);
        edit.setSelection(selStart, selLength);
        if (selLength == 0)
            edit.setCursorPosition(selStart);
    }

    // One key press and release per character, the character as the key's text (as a keyboard layout gives it).
    void Type(const QString& keys)
    {
        for (const uint codePoint : keys.toUcs4()) {
            const QString text = QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1);
            const int key = text.size() == 1 ? text.toUpper().front().unicode() : int(Qt::Key_unknown);
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QApplication::sendEvent(&edit, &press);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
            QApplication::sendEvent(&edit, &release);
        }
    }

    void PasteWithCtrlV(const QString& text)
    {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    }

    V edit;
};

struct TypeCase {
    const char* name;
    std::function<void(V&)> setUp;
    QString text;
    int selStart;
    int selLength;
    QString keys;
    QString expected;
};

std::function<void(V&)> Kind(V::TValidateType type)
{
    return [type](V& e) { e.FSetValidateType(type); };
}

std::function<void(V&)> Range(V::TValidateType type, double low, double high)
{
    return [=](V& e) {
        e.FSetValidateType(type);
        e.RangeMode = true;
        e.MinValue = low;
        e.MaxValue = high;
    };
}

std::function<void(V&)> List(const char* utf8)
{
    return [utf8](V& e) { e.FSetValidateString(AnsiString::FromUtf8(utf8)); };
}

const std::vector<TypeCase>& TypeCases()
{
    static const std::vector<TypeCase> cases = {
        {"int_sign_at_start", Kind(V::vtInteger), "-12", 0, 0, "-5", "-12"},
        {"int_sign_over_selection", Kind(V::vtInteger), "-12", 0, 3, "-4", "-4"},
        {"int_letters", Kind(V::vtInteger), "", 0, 0, "1a.2-", "12"},
        {"float_decimals", Kind(V::vtFloat), "3.14", 4, 0, "5.", "3.14"},
        {"float_in_front_of_point", Kind(V::vtFloat), "3.14", 1, 0, "7", "37.14"},
        {"float_point_over_point", Kind(V::vtFloat), "3.14", 1, 2, ".", "3.4"},
        {"floatps_sign", Kind(V::vtFloatPs), "", 0, 0, "-1.234", "1.23"},
        {"hexup", Kind(V::vtHexUp), "", 0, 0, "bad g1", "BAD1"},
        {"hexlo", Kind(V::vtHexLo), "", 0, 0, "FACE", "face"},
        {"digits", Kind(V::vtOnlyDigits), "", 0, 0, "+1 2", "12"},
        {"custom", List("0-9A-F_"), "", 0, 0, "12G_a-F", "12_F"},
        {"custom_minus", List("a-"), "", 0, 0, "ab-", "a-"},
        {"custom_cyrillic", List("а-я"), "", 0, 0, "жZю1", "жю"},
        {"outside_code_page", Kind(V::vtHex), "", 0, 0, "中a😀", "a"},
        {"none_takes_all", Kind(V::vtNone), "", 0, 0, "中a-", "中a-"},
        {"range_below", Range(V::vtInteger, 10, 20), "", 0, 0, "1", ""},
        {"range_selection_kept", Range(V::vtInteger, 0, 100), "99", 0, 2, "5", "99"},
        {"range_inside", Range(V::vtIntegerPs, 10, 20), "1", 1, 0, "59", "15"},
        {"int_commit_letters", Kind(V::vtInteger), "12", 2, 0, "abc", "12"},
        {"hexup_after_digits", Kind(V::vtHexUp), "12", 2, 0, "b", "12B"},
    };
    return cases;
}

TEST_F(ValidateEditTest, TypedKeysReachTheTextOnlyWhenTheKindLetsThemThrough)
{
    for (const TypeCase& c : TypeCases()) {
        c.setUp(edit);
        Start(c.text, c.selStart, c.selLength);
        Type(c.keys);
        EXPECT_EQ(edit.text(), c.expected) << c.name;
    }
}

// Text an input method commits (dead keys, compose sequences, input method editors) is judged character by
// character exactly as typed keys are.
TEST_F(ValidateEditTest, CommittedTextIsFilteredLikeTypedKeys)
{
    for (const TypeCase& c : TypeCases()) {
        c.setUp(edit);
        Start(c.text, c.selStart, c.selLength);
        QInputMethodEvent commit;
        commit.setCommitString(c.keys);
        QApplication::sendEvent(&edit, &commit);
        EXPECT_EQ(edit.text(), c.expected) << c.name;
    }
}

TEST_F(ValidateEditTest, PreEditTextNeverReachesTheValue)
{
    std::string seen;
    QObject::connect(&edit, &TEdit::OnKeyPress, &edit, [&seen](QObject*, char& key) { seen += key; });
    edit.FSetValidateType(V::vtInteger);
    Start("12", 2);
    QInputMethodEvent preEdit("3x", {});
    QApplication::sendEvent(&edit, &preEdit);
    EXPECT_EQ(edit.text(), "12");
    QInputMethodEvent commit;
    commit.setCommitString("3x");
    QApplication::sendEvent(&edit, &commit);
    EXPECT_EQ(edit.text(), "123");
    EXPECT_EQ(seen, "3");
}

TEST_F(ValidateEditTest, EditingKeysWorkInEveryKind)
{
    for (int kind = V::vtNone; kind <= V::vtOnlyDigits; ++kind) {
        edit.FSetValidateType(static_cast<V::TValidateType>(kind));
        Start("-12", 3);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        EXPECT_EQ(edit.text(), "-1") << kind;
        QTest::keyClick(&edit, Qt::Key_Home);
        QTest::keyClick(&edit, Qt::Key_Delete);
        EXPECT_EQ(edit.text(), "1") << kind;
        QSignalSpy enter(&edit, &QLineEdit::returnPressed);
        QTest::keyClick(&edit, Qt::Key_Return);
        EXPECT_EQ(enter.count(), 1) << kind;
        QTest::keyClick(&edit, Qt::Key_Escape);
        QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(edit.selectedText(), "1") << kind;
        PasteWithCtrlV("7");
        const bool decimals = kind == V::vtFloat || kind == V::vtFloatPs;
        EXPECT_EQ(edit.text(), kind == V::vtCustom ? "1" : decimals ? "7.00" : "7") << kind << ": Ctrl+V pastes";
    }
}

// Each way a user pastes, with text that a HexUp box filters and converts.
TEST_F(ValidateEditTest, EveryPastePathFilters)
{
    struct Path { const char* name; std::function<void(V&)> paste; };
    const std::vector<Path> paths = {
        {"ctrl_v", [](V& e) { QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier); }},
        {"shift_insert", [](V& e) { QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier); }},
        {"context_menu", [](V& e) {
             QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), e.mapToGlobal(QPoint(5, 5)));
             QApplication::sendEvent(&e, &event);
             auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
             ASSERT_NE(menu, nullptr);
             QAction* paste = menu->findChild<QAction*>("edit-paste");
             ASSERT_NE(paste, nullptr);
             paste->trigger();
             menu->close();
         }},
    };
    edit.FSetValidateType(V::vtHexUp);
    for (const Path& path : paths) {
        QGuiApplication::clipboard()->setText("1a-f");
        Start("0", 1);
        path.paste(edit);
        EXPECT_EQ(edit.text(), "01AF") << path.name;
    }
}

TEST_F(ValidateEditTest, PastedNumbersAreNormalisedOrTheOldTextComesBack)
{
    struct Case { const char* name; std::function<void(V&)> setUp; QString text; QString pasted; QString expected; };
    auto floatWith3 = [](V& e) { e.FSetValidateType(V::vtFloat); e.Mantissa = 3; };
    const std::vector<Case> cases = {
        {"letters", Kind(V::vtIntegerPs), "", "abc", "0"},
        {"three_decimals", floatWith3, "", "2.5x", "2.500"},
        {"range_accepts", Range(V::vtInteger, 10, 20), "", "15", "15"},
        {"range_refuses", Range(V::vtInteger, 10, 20), "12", "50", "12"},
        {"nothing_normalises", Kind(V::vtFloat), "7", "", "7.00"},
        {"signs_unfiltered", Kind(V::vtIntegerPs), "", "-3", "-3"},
        {"beyond_double", Kind(V::vtInteger), "5", QString(400, '9'), "5"},
        {"many_decimals", [](V& e) { e.FSetValidateType(V::vtFloat); e.Mantissa = 2000; }, "", "1.5",
         "1.5" + QString(1999, '0')},
    };
    for (const Case& c : cases) {
        c.setUp(edit);
        Start(c.text, c.text.size());
        PasteWithCtrlV(c.pasted);
        EXPECT_EQ(edit.text(), c.expected) << c.name;
    }
}

TEST_F(ValidateEditTest, ReadOnlyBoxIgnoresPasteButStillFiltersKeys)
{
    edit.FSetValidateType(V::vtIntegerPs);
    edit.setReadOnly(true);
    Start("5", 1);
    PasteWithCtrlV("abc");
    EXPECT_EQ(edit.text(), "5");
    EXPECT_EQ(edit.FProcessKey('x'), 0);
    EXPECT_EQ(edit.FProcessKey('4'), '4');
}

TEST_F(ValidateEditTest, KindAndListResetEachOther)
{
    edit.RangeMode = true;
    edit.MaxValue = 9;
    edit.MinValue = 3;
    edit.FSetValidateType(V::vtFloat);
    EXPECT_EQ(edit.Mantissa, 2);
    EXPECT_FALSE(edit.RangeMode);
    EXPECT_EQ(edit.MaxValue, 1.0);
    EXPECT_EQ(edit.MinValue, 0.0);
    edit.FSetValidateType(V::vtInteger);
    EXPECT_EQ(edit.Mantissa, 0);
    edit.RangeMode = true;
    edit.FSetValidateString("abc");
    EXPECT_EQ(edit.ValidateType(), V::vtCustom);
    EXPECT_TRUE(edit.RangeMode) << "no reset";
    edit.FSetValidateString("");
    EXPECT_EQ(edit.ValidateType(), V::vtCustom);
    edit.FSetValidateType(V::vtHex);
    EXPECT_EQ(edit.ValidateString(), AnsiString());
    edit.FSetValidateString("x");
    edit.FSetValidateType(V::vtCustom);
    EXPECT_EQ(edit.ValidateString(), AnsiString("x"));
}

TEST_F(ValidateEditTest, BackgroundFollowsColourAndHtmlText)
{
    EXPECT_EQ(edit.Color(), 0);
    EXPECT_EQ(edit.ColorHTML(), AnsiString("#ignore"));
    edit.fSetColor(clRed);
    EXPECT_EQ(edit.ColorHTML(), AnsiString("#ignore"));
    EXPECT_TRUE(PixelIs(Render(edit), 100, 12, clRed));
    edit.fSetColorHTML("#00FF00");
    EXPECT_EQ(edit.Color(), clLime);
    EXPECT_TRUE(PixelIs(Render(edit), 100, 12, clLime));
    edit.fSetColor(0x00F0FBFF);
    EXPECT_EQ(edit.ColorHTML(), AnsiString("#FFFBF0"));
    edit.fSetColorHTML("#ignore");
    EXPECT_EQ(edit.Color(), 0x00F0FBFF);
}

TEST_F(ValidateEditTest, DescriptionSetsColourFirstAndTheKindBeforeItsSettings)
{
    RegisterClass<QWidget>("TForm");
    RegisterControlClasses();
    QWidget form;
    TFormReader::Read(&form, "object Form: TForm\n"
                             "  object E1: TValidateEdit\n"
                             "    Mantissa = 3\n    MinValue = -5\n    MaxValue = 5.5\n    RangeMode = True\n"
                             "    ColorHTML = '#0000FF'\n    Color = clRed\n    ValidateType = vtFloat\n"
                             "  end\n"
                             "  object E2: TValidateEdit\n"
                             "    ValidateString = 'а-я'\n    ValidateType = vtInteger\n    Color = clRed\n"
                             "  end\n"
                             "end\n");
    auto* first = form.findChild<V*>("E1");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->ValidateType(), V::vtFloat);
    EXPECT_EQ(first->Mantissa, 3);
    EXPECT_TRUE(first->RangeMode);
    EXPECT_EQ(first->MinValue, -5.0);
    EXPECT_EQ(first->MaxValue, 5.5);
    EXPECT_EQ(first->Color(), 0x00FF0000);
    EXPECT_EQ(first->ColorHTML(), AnsiString("#0000FF"));
    auto* second = form.findChild<V*>("E2");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->ValidateType(), V::vtCustom);
    EXPECT_EQ(second->ValidateString(), AnsiString::FromUtf8("а-я"));
    EXPECT_EQ(second->Color(), clRed);
}

// Pastes of any content leave a text the kind accepts, or the old text.
TEST_F(ValidateEditTest, AnyPasteLeavesAcceptedOrOldText)
{
    QString binary;
    for (int code = 1; code < 0x3000; code += 7)
        binary += QChar(static_cast<char16_t>(code));
    const std::vector<QString> pastes = {QString(1 << 20, '7'), binary, "1\n2\r\n3", QString::fromUtf8("中😀ж"),
                                         QString::fromUtf8("\xF0\x9F\x98\x80") + "12"};
    for (int kind = V::vtCustom; kind <= V::vtOnlyDigits; ++kind) {
        for (const QString& pasted : pastes) {
            edit.FSetValidateType(static_cast<V::TValidateType>(kind));
            if (kind == V::vtCustom)
                edit.FSetValidateString("0-9x");
            Start("1", 1);
            PasteWithCtrlV(pasted);
            const QString shown = edit.text();
            std::string bytes;
            for (const QChar c : shown) {
                const std::optional<char> byte = AnsiCharOf(c.unicode());
                ASSERT_TRUE(byte.has_value()) << kind;
                bytes += *byte;
            }
            const TValidateSettings settings{static_cast<ValidateKind>(kind), edit.ValidateString().Bytes(),
                                             edit.Mantissa};
            if (IsNumericKind(settings.kind))
                EXPECT_TRUE(shown == "1" || NormalisePastedNumber(settings, bytes, edit.maxLength()) == bytes) << kind;
            else
                EXPECT_EQ(FilterPaste(settings, bytes, TEditState{}), bytes) << kind;
        }
    }
}

TEST_F(ValidateEditTest, PublishesItsPropertiesColourFirst)
{
    const QMetaObject& meta = V::staticMetaObject;
    std::vector<std::string> names;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        names.push_back(meta.property(i).name());
    EXPECT_EQ(names, (std::vector<std::string>{"Color", "ValidateType", "ValidateString", "ColorHTML", "Mantissa",
                                               "RangeMode", "MaxValue", "MinValue"}));
    EXPECT_FALSE(edit.acceptDrops());
}

} // namespace

namespace {

// Settings no one would choose still judge keys and pastes without fault.
TEST_F(ValidateEditTest, OddSettingsStillJudge)
{
    edit.FSetValidateType(V::vtFloat);
    edit.Mantissa = INT_MAX;
    Start("1.5", 3);
    Type("25");
    EXPECT_EQ(edit.text(), "1.525");
    PasteWithCtrlV("3");
    EXPECT_TRUE(edit.text().startsWith("1.5253"));
    EXPECT_EQ(edit.text().size(), edit.maxLength()) << "decimals held to what the box holds";
    edit.RangeMode = true;
    edit.MinValue = 5;
    edit.MaxValue = 1;
    Start("7", 1);
    Type("1");
    PasteWithCtrlV("3");
    EXPECT_EQ(edit.text(), "7") << "an empty range takes nothing";
    edit.FSetValidateString(AnsiString(std::string(100000, '-')));
    Start("", 0);
    Type("-a");
    EXPECT_EQ(edit.text(), "-");
}

TEST_F(ValidateEditTest, KeyPressEventSeesOnlyWhatTheKindLetsThroughAsItPasses)
{
    std::string seen;
    QObject::connect(&edit, &TEdit::OnKeyPress, &edit, [&seen](QObject*, char& key) { seen += key; });
    edit.FSetValidateType(V::vtHexUp);
    Start("", 0);
    Type("bz1");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(seen, "B1\r");
    EXPECT_EQ(edit.text(), "B1");
}

} // namespace
