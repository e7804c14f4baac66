// A combo box with the class library's list properties: Items (the texts, "Items.Strings" in a description),
// ItemIndex (-1 for none), Text, ItemHeight of the drop-down list's rows, and Style: csDropDown and csSimple
// let the user type, the list styles only choose; typed text never becomes an item. OnChange fires when the
// user picks an item or edits the text; OnKeyPress, OnEnter and OnExit as for the edit controls
// (classlib/keypress.h): opening and closing the box's own drop-down list keeps the control focus in the box,
// so OnExit and OnEnter come only in pairs, when the focus moves to another control and back.
#pragma once

#include "classlib/base/ansistring.h"

#include <QComboBox>
#include <QList>

class TComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(TComboBoxStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)
    Q_PROPERTY(QList<AnsiString> Items READ Items WRITE SetItems)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
    Q_PROPERTY(AnsiString Text READ Text WRITE SetText)

public:
    enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
    Q_ENUM(TComboBoxStyle)

    explicit TComboBox(QWidget* parent = nullptr);
    ~TComboBox() override;

    TComboBoxStyle Style() const { return style_; }
    int ItemHeight() const { return itemHeight_; }
    QList<AnsiString> Items() const;
    int ItemIndex() const { return currentIndex(); }
    // The typed text of an editable box, else the selected item's text (empty with none selected).
    AnsiString Text() const;
    // A description keeps Text only for an editable box whose text is not the selected item's, which
    // ItemIndex gives already.
    Q_INVOKABLE bool TextStored() const;

    void SetStyle(TComboBoxStyle style);
    // Height of every row of the drop-down list, 1 pixel or more.
    void SetItemHeight(int height);
    // Replaces the items; no item is selected afterwards.
    void SetItems(const QList<AnsiString>& items);
    // -1 selects nothing; an index past the items is refused.
    void SetItemIndex(int index);
    // An editable box takes the text; a list selects the first item of that text, or none.
    void SetText(const AnsiString& text);

signals:
    void OnChange(QObject* Sender);
    void OnKeyPress(QObject* Sender, char& Key);
    void OnEnter(QObject* Sender);
    void OnExit(QObject* Sender);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Whether the focus has gone into the box's own drop-down list.
    bool FocusInOwnList() const;
    void FocusMovedTo(QWidget* now);
    void RaiseChange();

    bool controlFocus_ = false;
    QMetaObject::Connection focusWatch_;
    TComboBoxStyle style_ = csDropDown;
    int itemHeight_ = 16;
};
