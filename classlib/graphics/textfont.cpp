#include "classlib/graphics/textfont.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <map>

namespace {

int PixelSize(const QFont& font)
{
    return font.pixelSize() > 0 ? font.pixelSize() : qRound(font.pointSizeF() * 96 / 72);
}

bool OnePixelPerPixel(qreal deviceScale)
{
    return std::abs(deviceScale - 1.0) < 0.001;
}

QFont StandIn(const QFont& font)
{
    QFont scalable = font;
    scalable.setFamily(TBitmapFontFace::Fallback(font.family()));
    return scalable;
}

// Dark pixels of a few letters with both kinds of strokes, drawn black on white in the font.
int Ink(const QFont& font)
{
    QImage image(96, 32, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("HМнlo"));
    painter.end();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

// Whether the family's bold face inks hardly more than its regular one (a well-made bold inks a third more
// or beyond); measured once per family.
bool WeakBold(const QFont& font)
{
    static std::map<QString, bool> measured;
    const auto found = measured.find(font.family());
    if (found != measured.end())
        return found->second;
    QFont regular(font.family());
    regular.setPixelSize(16);
    QFont bold = regular;
    bold.setBold(true);
    const bool weak = Ink(bold) * 5 < Ink(regular) * 6;
    measured.emplace(font.family(), weak);
    return weak;
}

} // namespace

TTextFont::TTextFont(const QFont& font, qreal deviceScale) : font_(font)
{
    if (TBitmapFontFace::IsRegistered(font.family())) {
        if (OnePixelPerPixel(deviceScale))
            bitmap_ = TBitmapFontFace::Find(font.family(), PixelSize(font), font.bold());
        standIn_ = !bitmap_;
        if (standIn_)
            font_ = StandIn(font);
    }
    if (!bitmap_ && font_.bold() && WeakBold(font_))
        emboldenOffset_ = std::max<qreal>(1.0, std::round(deviceScale)) / deviceScale;
}

// The device transform carries the device's pixel ratio as well as the painter's own scaling.
qreal TTextFont::DeviceScale(const QPainter& painter)
{
    return std::sqrt(std::abs(painter.deviceTransform().determinant()));
}

int TTextFont::Ascent() const
{
    return bitmap_ ? bitmap_->Ascent() : QFontMetrics(font_).ascent();
}

int TTextFont::Height() const
{
    return bitmap_ ? bitmap_->Height() : QFontMetrics(font_).height();
}

int TTextFont::Width(const QString& line) const
{
    return bitmap_ ? bitmap_->Width(line) : QFontMetrics(font_).horizontalAdvance(line);
}

void TTextFont::Draw(QPainter& painter, const QRect& rect, int flags, const QString& text) const
{
    if (!bitmap_) {
        painter.setFont(font_);
        painter.drawText(rect, flags, text);
        if (emboldenOffset_ > 0)
            painter.drawText(QRectF(rect).translated(emboldenOffset_, 0), flags, text);
        return;
    }
    const QStringList lines = Lines(flags, text);
    for (int i = 0; i < lines.size(); ++i) {
        const QRect line = LineRect(rect, flags, lines, i);
        bitmap_->Draw(painter, QPoint(line.left(), line.top() + bitmap_->Ascent()), lines[i]);
    }
}

QRect TTextFont::BoundingRect(const QRect& rect, int flags, const QString& text) const
{
    if (!bitmap_)
        return QFontMetrics(font_).boundingRect(rect, flags, text);
    const QStringList lines = Lines(flags, text);
    QRect bounds;
    for (int i = 0; i < lines.size(); ++i)
        bounds |= LineRect(rect, flags, lines, i);
    return bounds;
}

// A single line shows its line feeds as blanks, as Qt draws them.
QStringList TTextFont::Lines(int flags, const QString& text) const
{
    if (flags & Qt::TextSingleLine)
        return {QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))};
    return text.split(QLatin1Char('\n'));
}

QRect TTextFont::LineRect(const QRect& rect, int flags, const QStringList& lines, int index) const
{
    const int width = Width(lines[index]);
    const int block = Height() * int(lines.size());
    const int left = (flags & Qt::AlignHCenter) ? rect.left() + (rect.width() - width) / 2
                     : (flags & Qt::AlignRight) ? rect.right() + 1 - width
                                                : rect.left();
    const int top = (flags & Qt::AlignVCenter) ? rect.top() + (rect.height() - block) / 2
                    : (flags & Qt::AlignBottom) ? rect.bottom() + 1 - block
                                                : rect.top();
    return QRect(left, top + Height() * index, width, Height());
}
