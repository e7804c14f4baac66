// An icon: a colour bitmap and a mask bitmap of the same size. Where the mask is black the colour shows,
// elsewhere (white) the icon is transparent. A 32-bit colour bitmap with any alpha byte other than 0
// carries the icon's transparency itself, and the mask is then not used for drawing.
#pragma once

#include "classlib/graphics/bitmap.h"
#include "classlib/graphics/graphic.h"

#include <QImage>

class TIcon : public TGraphic {
public:
    TIcon() = default;
    // Raises EInvalidGraphic when the mask's size differs from the colour bitmap's.
    TIcon(const TBitmap& color, const TBitmap& mask);

    int Width() const override { return color_.Width(); }
    int Height() const override { return color_.Height(); }
    void Draw(TCanvas& canvas, const QRect& rect) const override;

    // Raises EInvalidGraphic when the mask's size differs from the colour bitmap's.
    void SetBitmaps(const TBitmap& color, const TBitmap& mask);
    const TBitmap& ColorBitmap() const { return color_; }
    const TBitmap& MaskBitmap() const { return mask_; }

    // The colour bitmap is 32-bit and at least one of its alpha bytes is not 0.
    bool HasAlpha() const;
    // The icon as 32-bit colours with straight alpha: the colour bitmap's own, or else 255 where the mask is
    // black and 0 elsewhere.
    QImage ToQImage() const;

private:
    TBitmap color_;
    TBitmap mask_;
};
