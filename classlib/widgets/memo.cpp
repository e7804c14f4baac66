#include "classlib/widgets/memo.h"

#include "classlib/widgets/keypress.h"

#include <QStringList>

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {}

QList<AnsiString> TMemo::Lines() const
{
    QList<AnsiString> lines;
    const QString text = toPlainText();
    if (text.isEmpty())
        return lines;
    for (const QString& line : text.split(u'\n'))
        lines.push_back(AnsiString::FromUtf8(line.toStdString()));
    return lines;
}

void TMemo::SetLines(const QList<AnsiString>& lines)
{
    QStringList texts;
    for (const AnsiString& line : lines)
        texts.push_back(QString::fromStdString(line.ToUtf8()));
    setPlainText(texts.join(u'\n'));
}

void TMemo::keyPressEvent(QKeyEvent* event)
{
    RouteKeyPress(event,
                  [this](char& key) {
                      emit OnKeyPress(this, key);
                      return key != 0;
                  },
                  [this](QKeyEvent* passed) { QPlainTextEdit::keyPressEvent(passed); });
}

void TMemo::inputMethodEvent(QInputMethodEvent* event)
{
    RouteCommittedText(event, [this](QKeyEvent* key) { keyPressEvent(key); },
                       [this](QInputMethodEvent* rest) { QPlainTextEdit::inputMethodEvent(rest); });
}

void TMemo::focusInEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusInEvent(event);
    if (MovesControlFocus(event))
        emit OnEnter(this);
}

void TMemo::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (MovesControlFocus(event))
        emit OnExit(this);
}
