// The status line at the bottom of a window (Align alBottom at first). With SimplePanel it shows SimpleText
// as one line on its colour, which the program may change at any time (SetColor). UseSystemFont True gives it
// the application's font; setting a font of its own turns it False. A screen reader hears each new simple text,
// as an error when it is marked as one.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/widgets/controlalign.h"
#include "classlib/base/tcolor.h"

#include <QStatusBar>

class TStatusBar : public QStatusBar {
    Q_OBJECT
    Q_PROPERTY(TControlAlign::TAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(bool SimplePanel READ SimplePanel WRITE SetSimplePanel)
    Q_PROPERTY(AnsiString SimpleText READ SimpleText WRITE SetSimpleText)
    Q_PROPERTY(bool UseSystemFont READ UseSystemFont WRITE SetUseSystemFont)

public:
    explicit TStatusBar(QWidget* parent = nullptr);

    TControlAlign::TAlign Align() const { return align_; }
    bool SimplePanel() const { return simplePanel_; }
    AnsiString SimpleText() const { return simpleText_; }
    bool UseSystemFont() const { return useSystemFont_; }
    TColor Color() const;
    void SetAlign(TControlAlign::TAlign align);
    void SetSimplePanel(bool value);
    // error marks the text as the report of an error, until the next text.
    void SetSimpleText(const AnsiString& text, bool error = false);
    bool SimpleTextIsError() const { return simpleTextIsError_; }
    void SetUseSystemFont(bool value);
    void SetColor(TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TControlAlign::TAlign align_ = TControlAlign::alBottom;
    bool simplePanel_ = false;
    AnsiString simpleText_;
    bool simpleTextIsError_ = false;
    bool useSystemFont_ = true;
    bool applyingSystemFont_ = false;
};
