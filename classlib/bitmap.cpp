#include "classlib/bitmap.h"

namespace {

QImage::Format QtFormat(TPixelFormat format)
{
    switch (format) {
    case pf1bit: return QImage::Format_Mono;
    case pf4bit:
    case pf8bit: return QImage::Format_Indexed8;
    case pf15bit: return QImage::Format_RGB555;
    case pf16bit: return QImage::Format_RGB16;
    case pf32bit: return QImage::Format_ARGB32;
    default: return QImage::Format_BGR888;
    }
}

} // namespace

TBitmap::TBitmap() : image_(0, 0, QImage::Format_BGR888) {}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : image_(width, height, QtFormat(format))
{
    image_.fill(Qt::white);
}

TBitmap::TBitmap(QImage image) : image_(std::move(image)) {}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height)
{
    ReleaseCanvas();
    QImage sized(width, height, image_.format());
    sized.fill(Qt::white);
    image_ = std::move(sized);
}

void TBitmap::Draw(TCanvas& canvas, const QRect& rect) const
{
    canvas.Painter().drawImage(rect, Image());
}

TPixelFormat TBitmap::PixelFormat() const
{
    switch (image_.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: return pf1bit;
    case QImage::Format_Indexed8: return pf8bit;
    case QImage::Format_RGB555: return pf15bit;
    case QImage::Format_RGB16: return pf16bit;
    case QImage::Format_BGR888:
    case QImage::Format_RGB888: return pf24bit;
    case QImage::Format_ARGB32:
    case QImage::Format_RGB32: return pf32bit;
    default: return pfCustom;
    }
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    ReleaseCanvas();
    const QImage::Format wanted = QtFormat(format);
    if (image_.format() != wanted)
        image_ = image_.convertToFormat(wanted);
}

QImage& TBitmap::Image()
{
    ReleaseCanvas();
    return image_;
}

const QImage& TBitmap::Image() const
{
    ReleaseCanvas();
    return image_;
}

TCanvas& TBitmap::Canvas()
{
    if (!canvas_)
        canvas_ = std::make_unique<TCanvas>(&image_);
    return *canvas_;
}

TColor TBitmap::Pixel(int x, int y) const
{
    const QRgb rgb = Image().pixel(x, y);
    return RGBColor(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

void TBitmap::SetPixel(int x, int y, TColor color)
{
    const TColor rgb = ColorToRGB(color);
    Image().setPixel(x, y, qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
}

void TBitmap::ReleaseCanvas() const
{
    canvas_.reset();
}
