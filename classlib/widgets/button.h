// A push button whose text is the published Caption (Windows-1251, shown centred by the platform's face).
#pragma once

#include "classlib/base/ansistring.h"

#include <QPushButton>

class TButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(AnsiString Caption READ Caption WRITE SetCaption)

public:
    explicit TButton(QWidget* parent = nullptr);

    AnsiString Caption() const;
    void SetCaption(const AnsiString& caption);
};
