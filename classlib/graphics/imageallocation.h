// Allocation of image pixels. Qt hands back a null image when it cannot allocate one, and the first write
// into its rows then crashes; these raise EOutOfResources naming the size instead.
#pragma once

#include <QImage>

QImage AllocateImage(int width, int height, QImage::Format format);
// A null image stays null.
QImage ConvertImage(const QImage& image, QImage::Format format);
QImage ScaleImage(const QImage& image, int width, int height);
