// A bitmap held as a QImage. 24-bit bitmaps keep blue, green, red bytes in memory; 32-bit ones add alpha
// (not premultiplied).
// 4- and 8-bit bitmaps carry a fixed colour table, 1-bit ones black (index 0) and white (index 1).
#pragma once

#include "classlib/graphics/canvas.h"
#include "classlib/graphics/graphic.h"
#include "classlib/base/tcolor.h"

#include <QImage>

#include <memory>

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };
// Whether drawing a 32-bit bitmap blends by its alpha bytes (afDefined) or treats it as opaque (afIgnored).
enum TAlphaFormat { afIgnored, afDefined };

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pf24bit);
    explicit TBitmap(QImage image);
    // Copies the pixels and the transparency settings; the copy paints through a canvas of its own.
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    ~TBitmap() override;

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    // New pixels are white.
    void SetSize(int width, int height);
    // Draws stretched to rect; with Transparent set, pixels of ActualTransparentColor() are left out.
    void Draw(TCanvas& canvas, const QRect& rect) const override;

    TPixelFormat PixelFormat() const;
    void SetPixelFormat(TPixelFormat format);

    // The pixels; ends any painting through Canvas() first.
    QImage& Image();
    const QImage& Image() const;
    // A canvas that paints onto the bitmap; its painting ends when the pixels are read through Image().
    // The brush, pen and font carry over to the next canvas. 4- and 8-bit bitmaps are painted as 32-bit
    // pixels that take the nearest colour of the table when the painting ends.
    TCanvas& Canvas();

    TColor Pixel(int x, int y) const;
    // Indexed bitmaps take the nearest colour of their table.
    void SetPixel(int x, int y, TColor color);
    void Fill(TColor color);

    // A 32-bit bitmap with at least one alpha byte other than 0.
    bool HasAlpha() const;
    // TransparentColor when the mode is tmFixed, else the colour of the bottom-left pixel.
    TColor ActualTransparentColor() const;

    bool Transparent = false;
    TTransparentMode TransparentMode = tmAuto;
    TColor TransparentColor = clNone;
    TAlphaFormat AlphaFormat = afIgnored;

private:
    void ReleaseCanvas() const;
    QPaintDevice* PaintDevice();
    QImage DrawnImage() const;

    // The drawing tools of the last canvas, kept for the next one.
    struct Tools {
        TBrush brush;
        TPen pen;
        TFont font;
    };

    // Mutable because reading the pixels ends a painting still in progress, which may change them.
    mutable QImage image_;
    // What the canvas of an indexed bitmap paints on, until the painting ends.
    mutable QImage paintedImage_;
    mutable std::unique_ptr<TCanvas> canvas_;
    mutable Tools tools_;
};
