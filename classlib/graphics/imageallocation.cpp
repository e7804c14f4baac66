#include "classlib/graphics/imageallocation.h"

#include "classlib/base/exception.h"

#include <string>

namespace {

// An empty size gives a null image by design; any other null image is a failed allocation.
QImage Checked(QImage image, int width, int height)
{
    if (image.isNull() && width > 0 && height > 0)
        throw EOutOfResources("Out of memory for an image of " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels");
    return image;
}

} // namespace

QImage AllocateImage(int width, int height, QImage::Format format)
{
    return Checked(QImage(width, height, format), width, height);
}

QImage ConvertImage(const QImage& image, QImage::Format format)
{
    if (image.isNull())
        return image;
    return Checked(image.convertToFormat(format), image.width(), image.height());
}

QImage ScaleImage(const QImage& image, int width, int height)
{
    if (image.isNull())
        return image;
    return Checked(image.scaled(width, height), width, height);
}
