#include "classlib/widgets/button.h"

#include <QKeyEvent>

TButton::TButton(QWidget* parent) : QPushButton(parent) {}

AnsiString TButton::Caption() const
{
    return AnsiString::FromUtf8(text().toStdString());
}

void TButton::SetCaption(const AnsiString& caption)
{
    ShowCaption(*this, caption);
}

bool TButton::ClickOnEnter(QAbstractButton& button, const QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    if (!event->isAutoRepeat())
        button.click();
    return true;
}

void TButton::ShowCaption(QAbstractButton& button, const AnsiString& caption)
{
    const QString text = QString::fromStdString(caption.ToUtf8());
    button.setText(text);
    button.setAccessibleName(text.simplified());
}

void TButton::keyPressEvent(QKeyEvent* event)
{
    if (!ClickOnEnter(*this, event))
        QPushButton::keyPressEvent(event);
}
