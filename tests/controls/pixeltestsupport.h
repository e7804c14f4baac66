// Shared helpers of the control tests: rendering a widget, comparing pixels with colour values, pictures.
#pragma once

#include "classlib/graphics/canvas.h"
#include "png/pngobject.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <cstdlib>
#include <vector>

inline QImage Render(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Whether a pixel shows color within tolerance on each channel.
inline testing::AssertionResult PixelIs(const QImage& image, int x, int y, TColor color, int tolerance = 0)
{
    const QRgb actual = image.pixel(x, y);
    const QRgb expected = ToQRgb(color);
    if (std::abs(qRed(actual) - qRed(expected)) <= tolerance && std::abs(qGreen(actual) - qGreen(expected)) <= tolerance
        && std::abs(qBlue(actual) - qBlue(expected)) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << actual << ", expected "
                                       << expected;
}

// An opaque picture of one colour.
inline TPNGObject SolidPicture(int width, int height, TColor color)
{
    TPNGObject picture;
    picture.CreateBlank(COLOR_RGBALPHA, 8, width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            picture.SetPixel(x, y, color), picture.AlphaScanline(y)[x] = 255;
    }
    return picture;
}

// Renderings laid out in cells of a grid, saved beside the test program for people to look at.
class TSheet {
public:
    explicit TSheet(int columns) : columns_(columns) {}
    void Add(const QImage& image) { images_.push_back(image); }

    // The file's path; empty when it could not be written.
    QString Save(const QString& name) const
    {
        constexpr int kGap = 6;
        QSize cell;
        for (const QImage& image : images_)
            cell = cell.expandedTo(image.size() + QSize(kGap, kGap));
        const int rows = (static_cast<int>(images_.size()) + columns_ - 1) / columns_;
        QImage sheet(kGap + columns_ * cell.width(), kGap + rows * cell.height(), QImage::Format_RGB32);
        sheet.fill(Qt::magenta);
        QPainter painter(&sheet);
        for (int i = 0; i < static_cast<int>(images_.size()); ++i)
            painter.drawImage(kGap + i % columns_ * cell.width(), kGap + i / columns_ * cell.height(), images_[i]);
        painter.end();
        const QString path = QCoreApplication::applicationDirPath() + "/" + name;
        return sheet.save(path) ? path : QString();
    }

private:
    int columns_;
    std::vector<QImage> images_;
};
