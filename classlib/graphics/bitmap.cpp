#include "classlib/graphics/bitmap.h"

#include "classlib/graphics/imageallocation.h"

#include <QHash>
#include <QList>

#include <limits>

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

// The sixteen colours of the classic 4-bit table.
QList<QRgb> FourBitTable()
{
    return {qRgb(0, 0, 0),     qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),   qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0), qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),   qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

// A 6 × 6 × 6 colour cube followed by a ramp of 40 greys.
QList<QRgb> EightBitTable()
{
    QList<QRgb> table;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                table.append(qRgb(r * 51, g * 51, b * 51));
    for (int i = 0; i < 40; ++i)
        table.append(qRgb(i * 255 / 39, i * 255 / 39, i * 255 / 39));
    return table;
}

QImage NewImage(int width, int height, TPixelFormat format)
{
    QImage image = AllocateImage(width, height, QtFormat(format));
    if (format == pf4bit)
        image.setColorTable(FourBitTable());
    else if (format == pf8bit)
        image.setColorTable(EightBitTable());
    return image;
}

bool IsIndexed(const QImage& image)
{
    return image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB
        || image.format() == QImage::Format_Indexed8;
}

int Distance(QRgb a, QRgb b)
{
    const int dr = qRed(a) - qRed(b);
    const int dg = qGreen(a) - qGreen(b);
    const int db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

uint NearestIndex(const QImage& image, QRgb rgb)
{
    uint best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    const QList<QRgb> table = image.colorTable();
    for (qsizetype i = 0; i < table.size(); ++i) {
        const int distance = Distance(table[i], rgb);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<uint>(i);
        }
    }
    return best;
}

// A painted 32-bit image turned back into an indexed one, each colour to the nearest entry of table.
QImage MappedToTable(const QImage& painted, const QList<QRgb>& table)
{
    QImage indexed = AllocateImage(painted.width(), painted.height(), QImage::Format_Indexed8);
    indexed.setColorTable(table);
    QHash<QRgb, uint> nearest;
    for (int y = 0; y < painted.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(painted.constScanLine(y));
        uchar* indexes = indexed.scanLine(y);
        for (int x = 0; x < painted.width(); ++x) {
            auto found = nearest.constFind(line[x]);
            if (found == nearest.constEnd())
                found = nearest.insert(line[x], NearestIndex(indexed, line[x]));
            indexes[x] = static_cast<uchar>(*found);
        }
    }
    return indexed;
}

// A 32-bit copy in which every pixel of colour key is fully transparent.
QImage KeyedOut(const QImage& image, QRgb key)
{
    QImage keyed = ConvertImage(image, QImage::Format_ARGB32);
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if ((line[x] & RGB_MASK) == (key & RGB_MASK))
                line[x] = 0;
        }
    }
    return keyed;
}

} // namespace

TBitmap::TBitmap() : image_(0, 0, QImage::Format_BGR888) {}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : image_(NewImage(width, height, format))
{
    Fill(clWhite);
}

TBitmap::TBitmap(QImage image) : image_(std::move(image)) {}

TBitmap::TBitmap(const TBitmap& other)
    : TGraphic(other),
      Transparent(other.Transparent),
      TransparentMode(other.TransparentMode),
      TransparentColor(other.TransparentColor),
      AlphaFormat(other.AlphaFormat),
      image_(other.Image()),
      tools_(other.tools_)
{
}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    if (this != &other) {
        ReleaseCanvas();
        image_ = other.Image();
        tools_ = other.tools_;
        Transparent = other.Transparent;
        TransparentMode = other.TransparentMode;
        TransparentColor = other.TransparentColor;
        AlphaFormat = other.AlphaFormat;
    }
    return *this;
}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height)
{
    ReleaseCanvas();
    QImage sized = AllocateImage(width, height, image_.format());
    sized.setColorTable(image_.colorTable());
    image_ = std::move(sized);
    Fill(clWhite);
}

void TBitmap::Draw(TCanvas& canvas, const QRect& rect) const
{
    canvas.DrawImage(rect, DrawnImage());
}

TPixelFormat TBitmap::PixelFormat() const
{
    switch (image_.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: return pf1bit;
    case QImage::Format_Indexed8: return image_.colorCount() <= 16 ? pf4bit : pf8bit;
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
    if (PixelFormat() == format && image_.format() == QtFormat(format))
        return;
    QImage converted = NewImage(image_.width(), image_.height(), format);
    if (IsIndexed(converted))
        converted = image_.convertToFormat(converted.format(), converted.colorTable());
    else
        converted = ConvertImage(image_, converted.format());
    image_ = std::move(converted);
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
    if (!canvas_) {
        canvas_ = std::make_unique<TCanvas>(PaintDevice());
        canvas_->Brush = tools_.brush;
        canvas_->Pen = tools_.pen;
        canvas_->Font = tools_.font;
    }
    return *canvas_;
}

TColor TBitmap::Pixel(int x, int y) const
{
    return FromQRgb(Image().pixel(x, y));
}

void TBitmap::SetPixel(int x, int y, TColor color)
{
    QImage& image = Image();
    const QRgb rgb = ToQRgb(color);
    image.setPixel(x, y, IsIndexed(image) ? NearestIndex(image, rgb) : rgb);
}

void TBitmap::Fill(TColor color)
{
    QImage& image = Image();
    const QRgb rgb = ToQRgb(color);
    if (IsIndexed(image))
        image.fill(NearestIndex(image, rgb));
    else
        image.fill(QColor(rgb));
}

bool TBitmap::HasAlpha() const
{
    const QImage& image = Image();
    if (image.format() != QImage::Format_ARGB32)
        return false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) != 0)
                return true;
        }
    }
    return false;
}

TColor TBitmap::ActualTransparentColor() const
{
    if (TransparentMode == tmFixed || Empty())
        return TransparentColor;
    return Pixel(0, Height() - 1);
}

void TBitmap::ReleaseCanvas() const
{
    if (!canvas_)
        return;
    tools_ = Tools{canvas_->Brush, canvas_->Pen, canvas_->Font};
    canvas_.reset();
    if (!paintedImage_.isNull()) {
        image_ = MappedToTable(paintedImage_, image_.colorTable());
        paintedImage_ = QImage();
    }
}

// QPainter cannot paint on indexed 8-bit images; those are painted as 32-bit pixels instead.
QPaintDevice* TBitmap::PaintDevice()
{
    if (image_.format() != QImage::Format_Indexed8)
        return &image_;
    paintedImage_ = ConvertImage(image_, QImage::Format_RGB32);
    return &paintedImage_;
}

QImage TBitmap::DrawnImage() const
{
    const QImage& image = Image();
    const bool opaque = image.format() == QImage::Format_ARGB32 && AlphaFormat == afIgnored;
    const QImage drawn = opaque ? ConvertImage(image, QImage::Format_RGB32) : image;
    return Transparent && !Empty() ? KeyedOut(drawn, ToQRgb(ActualTransparentColor())) : drawn;
}
