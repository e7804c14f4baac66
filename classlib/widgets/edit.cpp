#include "classlib/widgets/edit.h"

#include "classlib/widgets/keypress.h"

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {}

AnsiString TEdit::Text() const
{
    return AnsiString::FromUtf8(text().toStdString());
}

void TEdit::SetText(const AnsiString& text)
{
    setText(QString::fromStdString(text.ToUtf8()));
}

void TEdit::keyPressEvent(QKeyEvent* event)
{
    RouteKeyPress(event, [this](char& key) { return KeyPress(key); },
                  [this](QKeyEvent* passed) { QLineEdit::keyPressEvent(passed); });
}

void TEdit::inputMethodEvent(QInputMethodEvent* event)
{
    RouteCommittedText(event, [this](QKeyEvent* key) { keyPressEvent(key); },
                       [this](QInputMethodEvent* rest) { QLineEdit::inputMethodEvent(rest); });
}

void TEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (MovesControlFocus(event))
        emit OnEnter(this);
}

void TEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (MovesControlFocus(event))
        emit OnExit(this);
}

bool TEdit::KeyPress(char& key)
{
    emit OnKeyPress(this, key);
    return key != 0;
}
