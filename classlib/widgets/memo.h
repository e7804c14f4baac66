// A multi-line edit box with the published Lines and the events OnKeyPress, OnEnter and OnExit
// (classlib/keypress.h).
#pragma once

#include "classlib/base/ansistring.h"

#include <QList>
#include <QPlainTextEdit>

class TMemo : public QPlainTextEdit {
    Q_OBJECT
    Q_PROPERTY(QList<AnsiString> Lines READ Lines WRITE SetLines)

public:
    explicit TMemo(QWidget* parent = nullptr);

    QList<AnsiString> Lines() const;
    void SetLines(const QList<AnsiString>& lines);

signals:
    void OnKeyPress(QObject* Sender, char& Key);
    void OnEnter(QObject* Sender);
    void OnExit(QObject* Sender);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
