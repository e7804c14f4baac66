// A font as it is drawn on a device. A registered bitmap family (TBitmapFontFace) is drawn from its bitmaps
// when the device shows one pixel per pixel and the family holds the size asked; otherwise, at a size it
// lacks or on a scaled display (where bitmaps would come out at a wrong size with gaps between the letters),
// its scalable stand-in is drawn at the size asked. Any other font is drawn as Qt draws it, except that a bold
// face hardly heavier than its regular one (the wine fonts' Tahoma Bold) is emboldened as the bitmap faces are:
// drawn a second time one device pixel to the right (the nearest whole number of device pixels to one pixel
// on a scaled display), so that bold stays visibly bold at every scale.
#pragma once

#include "classlib/graphics/bitmapfontface.h"

#include <QFont>
#include <QRect>
#include <QString>

#include <optional>

class QPainter;

class TTextFont {
public:
    TTextFont(const QFont& font, qreal deviceScale);

    // Device pixels per pixel of what painter paints: the display's scale times the painter's own scaling.
    static qreal DeviceScale(const QPainter& painter);

    // Whether the text is drawn otherwise than Qt would draw the font (from bitmaps, or emboldened).
    bool DrawnOwnWay() const { return bitmap_.has_value() || emboldenOffset_ > 0 || standIn_; }

    int Ascent() const;
    int Height() const;
    int Width(const QString& line) const;
    // The text placed in rect by flags (Qt alignment, Qt::TextSingleLine), in the painter's pen colour.
    // Without Qt::TextSingleLine lines break at line feeds.
    void Draw(QPainter& painter, const QRect& rect, int flags, const QString& text) const;
    // The rectangle that Draw covers.
    QRect BoundingRect(const QRect& rect, int flags, const QString& text) const;

private:
    QStringList Lines(int flags, const QString& text) const;
    QRect LineRect(const QRect& rect, int flags, const QStringList& lines, int index) const;

    QFont font_;
    std::optional<TBitmapFontFace> bitmap_;
    // How far right the second pass of an emboldened face goes, in pixels; 0 for none.
    qreal emboldenOffset_ = 0;
    bool standIn_ = false;
};
