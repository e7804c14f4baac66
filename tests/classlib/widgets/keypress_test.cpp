#include "classlib/widgets/keypress.h"

#include "classlib/widgets/combobox.h"
#include "classlib/widgets/datetimepicker.h"
#include "classlib/widgets/edit.h"
#include "classlib/forms/eventbinding.h"
#include "classlib/base/exception.h"
#include "classlib/widgets/memo.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

template <class Control>
void Connect(QWidget* widget, std::vector<std::string>& log, const std::function<void(char&)>& onKey)
{
    auto* control = static_cast<Control*>(widget);
    QObject::connect(control, &Control::OnKeyPress, control, [&log, onKey](QObject*, char& key) {
        log.push_back("key " + std::to_string(static_cast<unsigned char>(key)));
        onKey(key);
    });
    QObject::connect(control, &Control::OnEnter, control, [&log](QObject*) { log.push_back("enter"); });
    QObject::connect(control, &Control::OnExit, control, [&log](QObject*) { log.push_back("exit"); });
}

// One kind of edit control: how to make it, connect to its events and read its text (none for the date box).
struct Kind {
    const char* name;
    std::function<QWidget*(QWidget*)> make;
    std::function<void(QWidget*, std::vector<std::string>&, const std::function<void(char&)>&)> connect;
    std::function<QString(QWidget*)> text;
};

const std::vector<Kind>& Kinds()
{
    static const std::vector<Kind> kinds = {
        {"TEdit", [](QWidget* p) { return new TEdit(p); }, Connect<TEdit>,
         [](QWidget* w) { return static_cast<TEdit*>(w)->text(); }},
        {"TMemo", [](QWidget* p) { return new TMemo(p); }, Connect<TMemo>,
         [](QWidget* w) { return static_cast<TMemo*>(w)->toPlainText(); }},
        {"TComboBox", [](QWidget* p) { return new TComboBox(p); }, Connect<TComboBox>,
         [](QWidget* w) { return static_cast<TComboBox*>(w)->currentText(); }},
        {"TDateTimePicker", [](QWidget* p) { return new TDateTimePicker(p); }, Connect<TDateTimePicker>,
         [](QWidget*) { return QString(); }},
    };
    return kinds;
}

// A window with one edit control of the kind under test beside a plain line edit that holds the focus first.
class KeyPressTest : public ::testing::Test {
protected:
    QWidget* Show(const Kind& kind, const std::function<void(char&)>& onKey = [](char&) {})
    {
        window = std::make_unique<QWidget>();
        control = kind.make(window.get());
        other = new QLineEdit(window.get());
        other->move(0, 40);
        window->resize(200, 80);
        window->show();
        window->activateWindow();
        QApplication::processEvents();
        other->setFocus();
        kind.connect(control, log, onKey);
        return control;
    }

    std::unique_ptr<QWidget> window;
    QWidget* control = nullptr;
    QLineEdit* other = nullptr;
    std::vector<std::string> log;
};

TEST_F(KeyPressTest, EveryControlReportsEnterTypedKeysAndExitInOrder)
{
    for (const Kind& kind : Kinds()) {
        log.clear();
        Show(kind);
        control->setFocus();
        QTest::keyClick(control, Qt::Key_1);
        QTest::keyClick(control, Qt::Key_Return);
        QTest::keyClick(control, Qt::Key_Escape);
        QTest::keyClick(control, Qt::Key_Left); // types nothing: no event
        other->setFocus();
        EXPECT_EQ(log, (std::vector<std::string>{"enter", "key 49", "key 13", "key 27", "exit"})) << kind.name;
    }
}

TEST_F(KeyPressTest, HandlerCanChangeOrSwallowTheKeyOfTextControls)
{
    for (const Kind& kind : Kinds()) {
        if (std::string(kind.name) == "TDateTimePicker")
            continue;
        Show(kind, [](char& key) { key = key == 'a' ? 0 : key == 'b' ? 'x' : key; });
        control->setFocus();
        QTest::keyClicks(control, "abc");
        EXPECT_EQ(kind.text(control), "xc") << kind.name;
    }
}

TEST_F(KeyPressTest, CyrillicLettersArriveAsWindows1251Bytes)
{
    Show(Kinds().front());
    control->setFocus();
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("я"));
    QApplication::sendEvent(control, &press);
    QKeyEvent chinese(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("中"));
    QApplication::sendEvent(control, &chinese);
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "key 255"}));
    EXPECT_EQ(static_cast<TEdit*>(control)->text(), QString::fromUtf8("я中"));
}

TEST_F(KeyPressTest, FocusMovedByAPopupOrAnotherWindowIsNoEnterOrExit)
{
    Show(Kinds().front());
    QFocusEvent popupOut(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(control, &popupOut);
    QFocusEvent windowIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(control, &windowIn);
    QFocusEvent tabIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(control, &tabIn);
    EXPECT_EQ(log, (std::vector<std::string>{"enter"}));
}

// The owner of a control's events drops the handlers it had before installing its own.
class Owner : public QObject {
    Q_OBJECT
public:
    std::vector<std::string> calls;
public slots:
    void EditKeyPress(QObject*, char& key) { calls.push_back("form " + std::string(1, key)); }
};

TEST_F(KeyPressTest, UnbindLeavesTheEventToOneNewHandler)
{
    TEdit edit;
    Owner form;
    TEventBinding::Bind(&edit, "OnKeyPress", &form, "EditKeyPress");
    TEventBinding::Unbind(&edit, "OnKeyPress");
    QObject::connect(&edit, &TEdit::OnKeyPress, &form, [&form](QObject*, char& key) {
        form.calls.push_back("grid " + std::string(1, key));
    });
    edit.show();
    QTest::keyClick(&edit, Qt::Key_Q);
    EXPECT_EQ(form.calls, (std::vector<std::string>{"grid q"}));
    EXPECT_TRUE(TEventBinding::Bindings(&edit).empty());
    EXPECT_THROW(TEventBinding::Unbind(&edit, "OnNothing"), Exception);
}

} // namespace

#include "keypress_test.moc"
