#include "classlib/graphics/canvas.h"

#include "classlib/graphics/graphic.h"
#include "classlib/graphics/textfont.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

QString ToQString(const AnsiString& text)
{
    return QString::fromStdString(text.ToUtf8());
}

// One 16-bit channel of a colour (the 8-bit value shifted left by 8), as the gradient vertices carry it.
int Channel16(std::uint8_t value)
{
    return value << 8;
}

// Channel at step of steps between two 16-bit values, back to 8 bits. The products need 64 bits for
// gradients longer than 32896 pixels.
int Interpolate(int from, int to, int step, int steps)
{
    const std::int64_t blended = (std::int64_t(from) * (steps - step) + std::int64_t(to) * step) / steps;
    return int(blended >> 8);
}

QColor GradientColor(TColor first, TColor second, int step, int steps)
{
    return QColor(Interpolate(Channel16(GetRValue(first)), Channel16(GetRValue(second)), step, steps),
                  Interpolate(Channel16(GetGValue(first)), Channel16(GetGValue(second)), step, steps),
                  Interpolate(Channel16(GetBValue(first)), Channel16(GetBValue(second)), step, steps));
}

// The outline path of a shape whose pen of width w stays inside rect.
QRectF OutlineRect(const QRect& rect, int penWidth)
{
    const qreal half = penWidth / 2.0;
    return QRectF(rect).adjusted(half, half, -half, -half);
}

Qt::Alignment DrawTextAlignment(unsigned flags)
{
    Qt::Alignment alignment = (flags & DT_CENTER) ? Qt::AlignHCenter : (flags & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    if (!(flags & DT_SINGLELINE))
        return alignment | Qt::AlignTop;
    return alignment | ((flags & DT_VCENTER) ? Qt::AlignVCenter : (flags & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop);
}

} // namespace

TFont TFont::FromQFont(const QFont& font, TColor color)
{
    TFont result;
    result.Name = AnsiString::FromUtf8(font.family().toStdString());
    result.Height = font.pixelSize() > 0 ? font.pixelSize() : qRound(font.pointSizeF() * 96 / 72);
    result.Color = color;
    result.Bold = font.bold();
    result.Italic = font.italic();
    result.Underline = font.underline();
    result.StrikeOut = font.strikeOut();
    return result;
}

int TFont::PixelHeight() const
{
    // 64-bit, so that no int Size or Height overflows on the way.
    const std::int64_t pixels = Height != 0 ? std::abs(std::int64_t{Height}) : (std::int64_t{Size} * 96 + 36) / 72;
    return static_cast<int>(std::clamp<std::int64_t>(pixels, 0, kMaxPixelHeight));
}

QFont TFont::ToQFont() const
{
    QFont font(ToQString(Name));
    font.setPixelSize(std::max(1, PixelHeight()));
    font.setBold(Bold);
    font.setItalic(Italic);
    font.setUnderline(Underline);
    font.setStrikeOut(StrikeOut);
    return font;
}

TCanvas::TCanvas(QPaintDevice* device)
    : ownPainter_(std::make_unique<QPainter>(device)), painter_(ownPainter_.get())
{
}

TCanvas::TCanvas(QPainter& painter) : painter_(&painter) {}

TCanvas::~TCanvas() = default;

void TCanvas::FillRect(const QRect& rect)
{
    painter_->fillRect(rect, ToQColor(Brush.Color));
}

void TCanvas::Rectangle(const QRect& rect)
{
    UseShapeTools();
    painter_->drawRect(OutlineRect(rect, Pen.Width));
}

void TCanvas::RoundRect(const QRect& rect, int ellipseWidth, int ellipseHeight)
{
    UseShapeTools();
    painter_->drawRoundedRect(OutlineRect(rect, Pen.Width), ellipseWidth / 2.0, ellipseHeight / 2.0);
}

void TCanvas::TextOut(int x, int y, const AnsiString& text)
{
    const TTextFont font = UseFont();
    const QString line = ToQString(text);
    const QRect area(x, y, font.Width(line), font.Height());
    if (Brush.Style == bsSolid)
        painter_->fillRect(area, ToQColor(Brush.Color));
    painter_->setPen(ToQColor(Font.Color));
    font.Draw(*painter_, area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line);
}

void TCanvas::DrawText(const AnsiString& text, const QRect& rect, unsigned flags)
{
    const TTextFont font = UseFont();
    const int textFlags = int(DrawTextAlignment(flags)) | ((flags & DT_SINGLELINE) ? Qt::TextSingleLine : 0);
    const QString lines = ToQString(text);
    painter_->save();
    painter_->setClipRect(rect, Qt::IntersectClip);
    if (Brush.Style == bsSolid)
        painter_->fillRect(font.BoundingRect(rect, textFlags, lines), ToQColor(Brush.Color));
    painter_->setPen(ToQColor(Font.Color));
    font.Draw(*painter_, rect, textFlags, lines);
    painter_->restore();
}

int TCanvas::TextWidth(const AnsiString& text)
{
    return UseFont().Width(ToQString(text));
}

int TCanvas::TextHeight(const AnsiString&)
{
    return UseFont().Height();
}

void TCanvas::GradientFill(const QRect& rect, TColor first, TColor second, TGradientFillMode mode)
{
    const TColor from = ColorToRGB(first);
    const TColor to = ColorToRGB(second);
    const bool horizontal = mode == GRADIENT_FILL_RECT_H;
    const int steps = horizontal ? rect.width() : rect.height();
    for (int step = 0; step < steps; ++step) {
        const QRect band = horizontal ? QRect(rect.x() + step, rect.y(), 1, rect.height())
                                      : QRect(rect.x(), rect.y() + step, rect.width(), 1);
        painter_->fillRect(band, GradientColor(from, to, step, steps));
    }
}

void TCanvas::DrawImage(const QRect& rect, const QImage& image)
{
    const QPainter::CompositionMode mode = painter_->compositionMode();
    const bool smooth = painter_->testRenderHint(QPainter::SmoothPixmapTransform);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    const bool scaled = rect.size() != image.size() || TTextFont::DeviceScale(*painter_) != 1.0;
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, scaled);
    painter_->drawImage(rect, image);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter_->setCompositionMode(mode);
}

void TCanvas::StretchDraw(const QRect& rect, const TGraphic& graphic)
{
    graphic.Draw(*this, rect);
}

void TCanvas::Draw(int x, int y, const TGraphic& graphic)
{
    graphic.Draw(*this, QRect(x, y, graphic.Width(), graphic.Height()));
}

TTextFont TCanvas::UseFont()
{
    painter_->setFont(Font.ToQFont());
    return TTextFont(painter_->font(), TTextFont::DeviceScale(*painter_));
}

void TCanvas::UseShapeTools()
{
    painter_->setRenderHint(QPainter::Antialiasing, false);
    QPen pen(ToQColor(Pen.Color));
    pen.setWidth(Pen.Width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_->setPen(pen);
    painter_->setBrush(Brush.Style == bsSolid ? QBrush(ToQColor(Brush.Color)) : QBrush(Qt::NoBrush));
}

QColor ToQColor(TColor color)
{
    return QColor(ToQRgb(color));
}

QRgb ToQRgb(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQRgb(QRgb rgb)
{
    return RGBColor(qRed(rgb), qGreen(rgb), qBlue(rgb));
}
