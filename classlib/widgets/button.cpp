#include "classlib/widgets/button.h"

TButton::TButton(QWidget* parent) : QPushButton(parent) {}

AnsiString TButton::Caption() const
{
    return AnsiString::FromUtf8(text().toStdString());
}

void TButton::SetCaption(const AnsiString& caption)
{
    setText(QString::fromStdString(caption.ToUtf8()));
}
