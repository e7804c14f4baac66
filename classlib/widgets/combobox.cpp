#include "classlib/widgets/combobox.h"

#include "classlib/base/exception.h"
#include "classlib/widgets/accessiblecontrol.h"
#include "classlib/widgets/keypress.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include <string>

namespace {

QString ToQString(const AnsiString& text)
{
    return QString::fromStdString(text.ToUtf8());
}

AnsiString FromQString(const QString& text)
{
    return AnsiString::FromUtf8(text.toStdString());
}

// Rows of the drop-down list at the combo box's item height.
class TItemHeightDelegate : public QStyledItemDelegate {
public:
    explicit TItemHeightDelegate(TComboBox& combo) : QStyledItemDelegate(&combo), combo_(combo) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), combo_.ItemHeight());
    }

private:
    TComboBox& combo_;
};

} // namespace

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent)
{
    TAccessibleControl::Install();
    setItemDelegate(new TItemHeightDelegate(*this));
    setInsertPolicy(QComboBox::NoInsert);
    SetStyle(style_);
    connect(this, &QComboBox::activated, this, &TComboBox::RaiseChange);
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FocusMovedTo(now); });
}

// The focus leaves a box being destroyed while only its QWidget part is left: no watching from here on.
TComboBox::~TComboBox()
{
    disconnect(focusWatch_);
}

void TComboBox::RaiseChange()
{
    emit OnChange(this);
}

QList<AnsiString> TComboBox::Items() const
{
    QList<AnsiString> items;
    for (int i = 0; i < count(); ++i)
        items.push_back(FromQString(itemText(i)));
    return items;
}

AnsiString TComboBox::Text() const
{
    return FromQString(currentText());
}

bool TComboBox::TextStored() const
{
    return isEditable() && (currentIndex() < 0 || currentText() != itemText(currentIndex()));
}

void TComboBox::SetStyle(TComboBoxStyle style)
{
    style_ = style;
    setEditable(style == csDropDown || style == csSimple);
    // Only the user's typing: a picked item has raised OnChange already.
    if (QLineEdit* edit = lineEdit())
        connect(edit, &QLineEdit::textEdited, this, &TComboBox::RaiseChange, Qt::UniqueConnection);
}

void TComboBox::SetItemHeight(int height)
{
    if (height < 1)
        throw Exception(AnsiString::FromUtf8("ItemHeight " + std::to_string(height) + " is below 1"));
    itemHeight_ = height;
    view()->doItemsLayout();
    update();
}

void TComboBox::SetItems(const QList<AnsiString>& items)
{
    const QString edited = isEditable() ? currentText() : QString();
    clear();
    for (const AnsiString& item : items)
        addItem(ToQString(item));
    setCurrentIndex(-1);
    if (isEditable())
        setEditText(edited);
}

void TComboBox::SetItemIndex(int index)
{
    if (index < -1 || index >= count())
        throw Exception(AnsiString::FromUtf8("ItemIndex " + std::to_string(index) + " is out of range -1.." +
                                             std::to_string(count() - 1)));
    setCurrentIndex(index);
}

void TComboBox::SetText(const AnsiString& text)
{
    if (isEditable()) {
        setEditText(ToQString(text));
        return;
    }
    setCurrentIndex(findText(ToQString(text), Qt::MatchExactly));
}

void TComboBox::keyPressEvent(QKeyEvent* event)
{
    RouteKeyPress(event,
                  [this](char& key) {
                      emit OnKeyPress(this, key);
                      return key != 0;
                  },
                  [this](QKeyEvent* passed) { QComboBox::keyPressEvent(passed); });
}

void TComboBox::inputMethodEvent(QInputMethodEvent* event)
{
    RouteCommittedText(event, [this](QKeyEvent* key) { keyPressEvent(key); },
                       [this](QInputMethodEvent* rest) { QComboBox::inputMethodEvent(rest); });
}

void TComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    if (!MovesControlFocus(event) || controlFocus_)
        return;
    controlFocus_ = true;
    emit OnEnter(this);
}

// Opening the list first takes the focus away for the popup, then gives it to the list itself; neither moves
// it to another control.
void TComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    if (!MovesControlFocus(event) || FocusInOwnList() || !controlFocus_)
        return;
    controlFocus_ = false;
    emit OnExit(this);
}

// The focus can also leave the open list straight for another control of the window.
void TComboBox::FocusMovedTo(QWidget* now)
{
    if (!controlFocus_ || !now || now == this || isAncestorOf(now) || now->window() != window())
        return;
    controlFocus_ = false;
    emit OnExit(this);
}

bool TComboBox::FocusInOwnList() const
{
    const QWidget* focused = QApplication::focusWidget();
    return focused && focused->window() == view()->window() && focused->window() != window();
}
