#include "classlib/widgets/combobox.h"

#include "support/xinput.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

namespace {

QList<AnsiString> ThreeItems()
{
    return {AnsiString("one"), AnsiString("two"), AnsiString("three")};
}

// A window with a combo box of three items above a line edit, logging the combo box's events.
class ComboBoxTest : public ::testing::Test {
protected:
    ComboBoxTest()
    {
        combo->setGeometry(10, 10, 120, 26);
        other->setGeometry(10, 60, 120, 26);
        window.resize(200, 120);
        QObject::connect(combo, &TComboBox::OnEnter, [this](QObject*) { log.push_back("enter"); });
        QObject::connect(combo, &TComboBox::OnExit, [this](QObject*) { log.push_back("exit"); });
        QObject::connect(combo, &TComboBox::OnChange,
                         [this](QObject*) { log.push_back("change " + combo->Text().ToUtf8()); });
    }

    void Show(TComboBox::TComboBoxStyle style, bool activate = false)
    {
        combo->SetStyle(style);
        combo->SetItems(ThreeItems());
        if (activate) {
            ASSERT_TRUE(ShowActive(window));
        } else {
            window.show();
            window.activateWindow();
            QApplication::processEvents();
        }
        other->setFocus();
        QApplication::processEvents();
    }

    QPoint Arrow() const
    {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        return combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo).center();
    }

    bool ListShown() const { return combo->view()->isVisible(); }

    QWidget window;
    TComboBox* combo = new TComboBox(&window);
    QLineEdit* other = new QLineEdit(&window);
    std::vector<std::string> log;
};

const TComboBox::TComboBoxStyle kStyles[] = {TComboBox::csDropDown, TComboBox::csDropDownList};

} // namespace

TEST_F(ComboBoxTest, EnterKeepsTheItemsOfAnEditableBox)
{
    Show(TComboBox::csDropDown);
    combo->setFocus();
    combo->lineEdit()->clear();
    QTest::keyClicks(combo, "123");
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_EQ(combo->Items(), ThreeItems());
    EXPECT_EQ(combo->Text(), AnsiString("123"));
}

TEST_F(ComboBoxTest, OpeningAndClosingItsOwnListMovesNoFocus)
{
    for (const TComboBox::TComboBoxStyle style : kStyles) {
        SCOPED_TRACE(style);
        Show(style);
        log.clear();
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor([this] { return ListShown(); }, kXWaitMs));
        combo->hidePopup();
        QApplication::processEvents();
        combo->showPopup();
        QApplication::processEvents();
        QTest::keyClick(combo->view(), Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_FALSE(ListShown());
        window.activateWindow(); // the offscreen platform gives the window back no activation after a popup
        QApplication::processEvents();
        other->setFocus();
        EXPECT_EQ(log, (std::vector<std::string>{"enter", "exit"}));
    }
}

TEST_F(ComboBoxTest, X11ArrowClickOpensTheListWithoutExitAndAPickStaysInTheBox)
{
    SKIP_WITHOUT_X11();
    for (const TComboBox::TComboBoxStyle style : kStyles) {
        SCOPED_TRACE(style);
        Show(style, true);
        log.clear();
        ASSERT_TRUE(XClick(*combo, Arrow()));
        ASSERT_TRUE(QTest::qWaitFor([this] { return ListShown(); }, kXWaitMs));
        QAbstractItemView* list = combo->view();
        ASSERT_TRUE(XClick(*list->viewport(), list->visualRect(list->model()->index(2, 0)).center()));
        ASSERT_TRUE(QTest::qWaitFor([this] { return !ListShown(); }, kXWaitMs));
        EXPECT_EQ(combo->Text(), AnsiString("three"));
        EXPECT_TRUE(combo->hasFocus());
        ASSERT_TRUE(XClick(*other, QPoint(5, 5)));
        ASSERT_TRUE(QTest::qWaitFor([this] { return other->hasFocus(); }, kXWaitMs));
        EXPECT_EQ(log, (std::vector<std::string>{"enter", "change three", "exit"}));
    }
}

TEST_F(ComboBoxTest, X11AltDownOpensTheListWithoutExitAndEscapeClosesItWithoutEnter)
{
    SKIP_WITHOUT_X11();
    for (const TComboBox::TComboBoxStyle style : kStyles) {
        SCOPED_TRACE(style);
        Show(style, true);
        combo->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([this] { return combo->hasFocus(); }, kXWaitMs));
        log.clear();
        ASSERT_TRUE(XKeys({"alt+Down"}));
        ASSERT_TRUE(QTest::qWaitFor([this] { return ListShown(); }, kXWaitMs));
        ASSERT_TRUE(XKeys({"Escape"}));
        ASSERT_TRUE(QTest::qWaitFor([this] { return !ListShown() && combo->hasFocus(); }, kXWaitMs));
        QApplication::processEvents();
        EXPECT_TRUE(log.empty()) << log.front();
    }
}
