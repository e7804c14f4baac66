// A single-line edit box with the published Text and the events OnKeyPress, OnEnter and OnExit
// (classlib/keypress.h). Derived boxes judge typed characters in the virtual KeyPress hook.
#pragma once

#include "classlib/base/ansistring.h"

#include <QLineEdit>

class TEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(AnsiString Text READ Text WRITE SetText)

public:
    explicit TEdit(QWidget* parent = nullptr);

    AnsiString Text() const;
    void SetText(const AnsiString& text);

signals:
    void OnKeyPress(QObject* Sender, char& Key);
    void OnEnter(QObject* Sender);
    void OnExit(QObject* Sender);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    // Raises OnKeyPress with the typed character; false when it was set to 0, which swallows the key.
    virtual bool KeyPress(char& key);
};
