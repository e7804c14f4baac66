// A bitmap held as a QImage. 24-bit bitmaps keep blue, green, red bytes in memory; 32-bit add alpha (not premultiplied).
#pragma once

#include "classlib/canvas.h"
#include "classlib/graphic.h"
#include "classlib/tcolor.h"

#include <QImage>

#include <memory>

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pf24bit);
    explicit TBitmap(QImage image);
    ~TBitmap() override;

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void SetSize(int width, int height);
    void Draw(TCanvas& canvas, const QRect& rect) const override;

    TPixelFormat PixelFormat() const;
    void SetPixelFormat(TPixelFormat format);

    // The pixels; ends any painting through Canvas() first.
    QImage& Image();
    const QImage& Image() const;
    // A canvas that paints onto the bitmap; it stays until the pixels are read through Image().
    TCanvas& Canvas();

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    bool Transparent = false;
    TTransparentMode TransparentMode = tmAuto;
    TColor TransparentColor = clNone;

private:
    void ReleaseCanvas() const;

    QImage image_;
    mutable std::unique_ptr<TCanvas> canvas_;
};
