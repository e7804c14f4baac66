// Helpers of the button and label tests: the window's fonts, near colours, and sample pictures drawn with Qt.
#pragma once

#include "png/pngobject.h"
#include "support/pngpicture.h"

#include <QFile>
#include <QBuffer>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <ostream>
#include <sstream>

// Cases of parameterised tests carry a name, shown in failures and used as the test's name.
template <class Case>
    requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

constexpr auto CaseName = [](const auto& info) { return info.param.name; };

inline bool Near(QRgb a, QRgb b, int tolerance = 2)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The free "Tahoma" and "MS Sans Serif" the program registers at start, when the machine has them.
inline void RegisterWindowFonts()
{
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"}) {
        const QString path = QString("/usr/share/wine/fonts/") + file;
        if (QFile::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}


// A sample button picture: a red rounded square with a white ring, soft-edged.
inline TPNGObject SamplePicture()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(200, 30, 30));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 7, 7);
    painter.setPen(QPen(Qt::white, 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(9, 9, 14, 14));
    painter.end();
    return PictureOf(image);
}
