// A top-level window. Besides the common control properties (Caption is the window title, ClientWidth and
// ClientHeight its inner size) it has its border and its place on the screen, both applied when it is shown,
// and places its aligned children (TControlAlign) whenever its size changes.
#pragma once

#include "classlib/widgets/controlalign.h"

#include <QWidget>

// What happens to a window once OnClose has run: nothing (the close is refused), hidden (for the main
// window: the program ends), destroyed, or minimised.
enum TCloseAction { caNone, caHide, caFree, caMinimize };

class TForm : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TBorderIcons BorderIcons READ BorderIcons WRITE SetBorderIcons)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(TPosition Position READ Position WRITE SetPosition)

public:
    enum TBorderIcon { biSystemMenu = 0x1, biMinimize = 0x2, biMaximize = 0x4, biHelp = 0x8 };
    Q_DECLARE_FLAGS(TBorderIcons, TBorderIcon)
    Q_FLAG(TBorderIcons)
    enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
    Q_ENUM(TFormBorderStyle)
    enum TPosition {
        poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
        poMainFormCenter, poOwnerFormCenter
    };
    Q_ENUM(TPosition)

    explicit TForm(QWidget* parent = nullptr);

    TBorderIcons BorderIcons() const { return borderIcons_; }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    TPosition Position() const { return position_; }
    void SetBorderIcons(TBorderIcons icons);
    // bsSingle, bsDialog and bsToolWindow windows keep the size they are shown with.
    void SetBorderStyle(TFormBorderStyle style);
    void SetPosition(TPosition position);

signals:
    void OnActivate(QObject* Sender);
    // Action starts as caHide; a handler may change it.
    void OnClose(QObject* Sender, TCloseAction& Action);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool FixedSize() const;
    void ApplyWindowFlags();
    void PlaceOnScreen();

    TBorderIcons borderIcons_ = TBorderIcons(biSystemMenu | biMinimize | biMaximize);
    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    bool placed_ = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TForm::TBorderIcons)
