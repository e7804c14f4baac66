#include "classlib/graphics/icon.h"

#include "classlib/base/exception.h"
#include "classlib/graphics/imageallocation.h"

TIcon::TIcon(const TBitmap& color, const TBitmap& mask)
{
    SetBitmaps(color, mask);
}

void TIcon::Draw(TCanvas& canvas, const QRect& rect) const
{
    if (!Empty())
        canvas.DrawImage(rect, ToQImage());
}

void TIcon::SetBitmaps(const TBitmap& color, const TBitmap& mask)
{
    if (color.Width() != mask.Width() || color.Height() != mask.Height())
        throw EInvalidGraphic("Icon mask and colour bitmap differ in size");
    color_ = color;
    mask_ = mask;
}

bool TIcon::HasAlpha() const
{
    return color_.HasAlpha();
}

QImage TIcon::ToQImage() const
{
    if (HasAlpha())
        return color_.Image();
    QImage image = ConvertImage(ConvertImage(color_.Image(), QImage::Format_RGB32), QImage::Format_ARGB32);
    const QImage mask = ConvertImage(mask_.Image(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto* maskLine = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((maskLine[x] & RGB_MASK) != 0)
                line[x] &= RGB_MASK;
        }
    }
    return image;
}
