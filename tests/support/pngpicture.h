// Test pictures drawn with Qt and carried over as PNG files.
#pragma once

#include "png/pngobject.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <sstream>

// The complete PNG file of image.
inline QByteArray PngFileOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A picture drawn with Qt, carried over as a PNG file.
inline TPNGObject PictureOf(const QImage& image)
{
    std::istringstream stream(PngFileOf(image).toStdString());
    TPNGObject png;
    png.LoadFromStream(stream);
    return png;
}
