// A one-line label that can draw its caption twice: first as a coloured shadow a few pixels off, then as
// the text proper, over an optional PNG background (one picture, or a left cap, a tiled middle piece
// and a right cap stretched across the label). It paints no background of its own and takes no focus. A click
// on an enabled label is the label's own: its presses and releases go no further, so the panel under it never
// takes them for a click of its own.
// The text is drawn in the widget's font and font colour. The pictures reach a window description as
// "PngPicture.Data", "PngLeft.Data" … (complete PNG files). The caption names the FocusControl for a screen
// reader.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/widgets/filer.h"
#include "classlib/base/tcolor.h"
#include "png/pngfunctions.h"
#include "png/pngobject.h"

#include <QPointer>
#include <QWidget>

class TCanvas;
struct TFont;

class TShadowLabel : public QWidget, public TDefinesProperties {
    Q_OBJECT
    Q_PROPERTY(AnsiString Caption READ Caption WRITE fSetCaption)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE fSetAlignment)
    Q_PROPERTY(int Frame READ Frame WRITE fSetFrame)
    Q_PROPERTY(bool Shadow READ Shadow WRITE fSetShadow)
    Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE fSetShadowColor)
    Q_PROPERTY(int DisplaceX READ DisplaceX WRITE fSetDisplaceX)
    Q_PROPERTY(int DisplaceY READ DisplaceY WRITE fSetDisplaceY)
    Q_PROPERTY(TPNGObject PngPicture READ PngPicture WRITE fSetPngPicture)
    Q_PROPERTY(TPNGObject PngLeft READ PngLeft WRITE fSetPngLeft)
    Q_PROPERTY(TPNGObject PngCenter READ PngCenter WRITE fSetPngCenter)
    Q_PROPERTY(TPNGObject PngRight READ PngRight WRITE fSetPngRight)
    Q_PROPERTY(QWidget* FocusControl READ FocusControl WRITE fSetFocusControl)

public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    explicit TShadowLabel(QWidget* parent = nullptr);
    ~TShadowLabel() override;

    const AnsiString& Caption() const { return caption_; }
    QWidget* FocusControl() const { return focusControl_; }
    TAlignment Alignment() const { return alignment_; }
    int Frame() const { return frame_; }
    bool Shadow() const { return shadow_; }
    TColor ShadowColor() const { return shadowColor_; }
    int DisplaceX() const { return displaceX_; }
    int DisplaceY() const { return displaceY_; }
    const TPNGObject& PngPicture() const { return picture_; }
    const TPNGObject& PngLeft() const { return left_; }
    const TPNGObject& PngCenter() const { return center_; }
    const TPNGObject& PngRight() const { return right_; }

    // Each setter stores the value and repaints; the picture setters copy the caller's picture.
    void fSetCaption(const AnsiString& caption);
    // The control the caption names (none by default).
    void fSetFocusControl(QWidget* control);
    void fSetAlignment(TAlignment alignment);
    void fSetFrame(int frame);
    void fSetShadow(bool shadow);
    void fSetShadowColor(TColor color);
    void fSetDisplaceX(int displace);
    void fSetDisplaceY(int displace);
    void fSetPngPicture(const TPNGObject& picture);
    void fSetPngLeft(const TPNGObject& picture);
    void fSetPngCenter(const TPNGObject& picture);
    void fSetPngRight(const TPNGObject& picture);

    void DefineProperties(TFiler& filer) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Paint(TCanvas& canvas);
    TPngOptions PictureOptions() const;
    bool Stretched() const;
    void DrawStretchedBackground(TCanvas& canvas, TPngOptions options);
    void DrawBackground(TCanvas& canvas);
    TFont FontInColor(TColor color) const;
    QPoint TextPosition(TCanvas& canvas) const;
    void DrawShadow(TCanvas& canvas, QPoint at);
    void DrawText(TCanvas& canvas, QPoint at);

    AnsiString caption_;
    QPointer<QWidget> focusControl_;
    TAlignment alignment_ = taLeftJustify;
    int frame_ = 3;
    bool shadow_ = true;
    TColor shadowColor_ = clGray;
    int displaceX_ = 1;
    int displaceY_ = 1;
    TPNGObject picture_;
    TPNGObject left_;
    TPNGObject center_;
    TPNGObject right_;
};
