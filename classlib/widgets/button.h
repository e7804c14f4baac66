// A push button whose text is the published Caption (Windows-1251, shown centred by the platform's face).
// Space, Enter and keypad Enter press it while it has the focus; its accessible name is the caption without
// the blanks that pad it.
#pragma once

#include "classlib/base/ansistring.h"

#include <QPushButton>

class QKeyEvent;

class TButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(AnsiString Caption READ Caption WRITE SetCaption)

public:
    explicit TButton(QWidget* parent = nullptr);

    AnsiString Caption() const;
    void SetCaption(const AnsiString& caption);

    // Clicks button for Enter or keypad Enter (not for their repeats while held); true when the key was one.
    static bool ClickOnEnter(QAbstractButton& button, const QKeyEvent* event);
    // Gives button caption as its text and the caption without padding blanks as its accessible name.
    static void ShowCaption(QAbstractButton& button, const AnsiString& caption);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
