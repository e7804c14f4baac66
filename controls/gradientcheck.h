// A container panel with a painted background (two-colour gradient, or a flat fill with an outline, optionally
// with rounded corners), an optional picture at its left edge, and an optional check behaviour: unchecking
// disables the child controls and remembers their states, checking restores them. A click belongs to the
// control under the pointer: the panel takes one only on its own surface (or on a disabled child, which takes
// none), and keeps its mouse events from an outer panel. Once enabled or made checkable again, the hover look
// follows where the pointer is at that moment.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/graphics/bitmap.h"
#include "classlib/widgets/filer.h"
#include "classlib/base/tcolor.h"
#include "controls/htmlcolor.h"
#include "png/pngfunctions.h"
#include "png/pngobject.h"

#include <QImage>
#include <QWidget>

#include <vector>

// The picture reaches a window description as "gPngPicture.Data", the complete PNG file.
class TGradientCheck : public QWidget, public TDefinesProperties {
    Q_OBJECT
    Q_PROPERTY(bool gHorizontal READ gHorizontal WRITE fgSetHorizontal)
    Q_PROPERTY(bool gFrame READ gFrame WRITE fgSetFrame)
    Q_PROPERTY(bool gRotate READ gRotate WRITE fgSetRotate)
    Q_PROPERTY(bool gRound READ gRound WRITE fgSetRound)
    Q_PROPERTY(bool gCheckable READ gCheckable WRITE fgSetCheckable)
    Q_PROPERTY(bool gGradient READ gGradient WRITE fgSetGradient)
    Q_PROPERTY(bool gForceChildEnabled MEMBER gForceChildEnabled)
    Q_PROPERTY(TPngAlignment gPngAlign READ gPngAlign WRITE fgSetPngAlign)
    Q_PROPERTY(TPNGObject gPngPicture READ gPngPicture WRITE fgSetPngPicture)
    Q_PROPERTY(AnsiString gColorHTMLBegin READ gColorHTMLBegin WRITE fgSetColorHTMLBegin)
    Q_PROPERTY(AnsiString gColorHTMLEnd READ gColorHTMLEnd WRITE fgSetColorHTMLEnd)
    Q_PROPERTY(TColor gColorBegin READ gColorBegin WRITE fgSetColorBegin)
    Q_PROPERTY(TColor gColorEnd READ gColorEnd WRITE fgSetColorEnd)
    Q_PROPERTY(bool Checked READ Checked WRITE fSetChecked)
    Q_PROPERTY(bool Enabled READ Enabled WRITE fSetEnabled)
    Q_PROPERTY(bool Visible READ Visible WRITE fSetVisible)

public:
    enum TPngAlignment { paTop, paCenter, paBottom };
    Q_ENUM(TPngAlignment)

    explicit TGradientCheck(QWidget* parent = nullptr);
    ~TGradientCheck() override;

    bool gHorizontal() const { return horizontal_; }
    bool gFrame() const { return frame_; }
    bool gRotate() const { return rotate_; }
    bool gRound() const { return round_; }
    bool gCheckable() const { return checkable_; }
    bool gGradient() const { return gradient_; }
    TPngAlignment gPngAlign() const { return pngAlign_; }
    const TPNGObject& gPngPicture() const { return picture_; }
    AnsiString gColorHTMLBegin() const { return begin_.Text; }
    AnsiString gColorHTMLEnd() const { return end_.Text; }
    TColor gColorBegin() const { return begin_.Color; }
    TColor gColorEnd() const { return end_.Color; }
    // A colour that its HTML text gives is not written: the text alone reads back to both.
    Q_INVOKABLE bool gColorBeginStored() const { return !begin_.TextGivesColor(); }
    Q_INVOKABLE bool gColorEndStored() const { return !end_.TextGivesColor(); }
    bool Checked() const { return checked_; }
    bool Enabled() const { return enabled_; }
    bool Visible() const { return visible_; }

    void fgSetHorizontal(bool value);
    void fgSetFrame(bool value);
    void fgSetRotate(bool value);
    void fgSetRound(bool value);
    // Checkable panels show the hand cursor and become checked; the others show the arrow and keep Checked.
    void fgSetCheckable(bool value);
    void fgSetGradient(bool value);
    void fgSetPngAlign(TPngAlignment value);
    // Copies the picture; the caller keeps its own.
    void fgSetPngPicture(const TPNGObject& picture);
    void fgSetColorHTMLBegin(const AnsiString& text);
    void fgSetColorHTMLEnd(const AnsiString& text);
    void fgSetColorBegin(TColor color);
    void fgSetColorEnd(TColor color);
    void fSetChecked(bool value);
    void fSetEnabled(bool value);
    // Shows or hides every child along with the panel.
    void fSetVisible(bool value);

    void DefineProperties(TFiler& filer) override;

    // Checking or enabling enables every child instead of restoring the saved states.
    bool gForceChildEnabled = false;

signals:
    void OnClick(QObject* Sender);
    void OnMouseEnter(QObject* Sender);
    void OnMouseExit(QObject* Sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    virtual void Paint();
    virtual void Click();
    void GradientBox(TCanvas& canvas, const QRect& rect, TColor start, TColor end, bool horizontal, bool frame,
                     bool rotate, bool round);
    void FrameBox(TCanvas& canvas, const QRect& rect, TColor fill, TColor outline, bool frame, bool round);

private:
    struct Colors {
        TColor start;
        TColor end;
    };

    QList<QWidget*> ChildControls() const;
    void HandleChildren(bool value);
    void SaveAndDisableChildren();
    void RestoreChildren();
    bool HoverLook() const;
    bool OwnSurfaceAt(QPoint point) const;
    void HoverFromPointer();
    Colors PaintColors() const;
    void DrawBackground(TCanvas& canvas, const Colors& colors);
    void DrawPicture(TCanvas& canvas);
    int PictureTop() const;
    TPngOptions PictureOptions() const;
    void Outline(TCanvas& canvas, const QRect& rect, bool round);

    bool horizontal_ = true;
    bool frame_ = true;
    bool rotate_ = false;
    bool round_ = false;
    bool checkable_ = true;
    bool gradient_ = true;
    TPngAlignment pngAlign_ = paTop;
    TPNGObject picture_;
    HtmlColorProperty begin_{kHtmlIgnore, clBlack};
    HtmlColorProperty end_{kHtmlIgnore, clWhite};
    bool checked_ = true;
    bool enabled_ = true;
    bool visible_ = true;
    bool hover_ = false;
    bool pointerInside_ = false;
    bool pressed_ = false;
    std::vector<bool> savedChildStates_;
    // Starts with one pixel: resizing keeps the pixel format, which an empty bitmap does not have. Opaque
    // 32-bit, since every paint covers every pixel: the fastest format to paint on and to copy to the screen.
    TBitmap bitmap_{QImage(1, 1, QImage::Format_RGB32)};
};
