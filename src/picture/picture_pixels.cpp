#include "picture/picture_pixels.h"

#include "core/errors.h"

#include <cstring>

namespace kestrova {

namespace {

[[noreturn]] void raiseNoRoom() { raiseAbout(ErrorCode::InvalidPicture, "no room for its pixels"); }

} // namespace

QImage allocatedImage(QSize size, QImage::Format format) { return madeImage(QImage(size, format)); }

QImage madeImage(QImage image)
{
    if (image.isNull())
        raiseNoRoom();
    return image;
}

uchar* writablePixels(QImage& image)
{
    uchar* pixels = image.bits(); // a copy of its own, when shared
    if (pixels == nullptr)
        raiseNoRoom();
    return pixels;
}

void spreadRows(QImage& image, int first, int count, qsizetype rowBytes)
{
    if (rowBytes == image.bytesPerLine())
        return;
    uchar* start = image.scanLine(first);
    for (int row = count - 1; row > 0; --row)
        std::memmove(image.scanLine(first + row), start + rowBytes * row, static_cast<std::size_t>(rowBytes));
}

} // namespace kestrova
