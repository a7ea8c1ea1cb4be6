#include "picture/picture_pixels.h"

#include "core/errors.h"
#include "core/rounding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kestrova {

namespace {

// Pixels of Qt's 32-bit working copy per band: 32 MB of it.
constexpr qsizetype BandPixels = 8 * 1024 * 1024;

[[noreturn]] void raiseNoRoom() { raiseAbout(ErrorCode::InvalidPicture, "no room for its pixels"); }

int bandRows(QSize from) { return static_cast<int>(std::max<qsizetype>(1, BandPixels / std::max(1, from.width()))); }

// Source row of destination row `row` when `from` rows become `to`: bands of the result begin at
// the source rows these give.
int sourceRow(int row, int from, int to)
{
    return static_cast<int>(static_cast<std::int64_t>(row) * from / to);
}

qsizetype bytesPerPixel(QImage::Format format) { return format == QImage::Format_Grayscale8 ? 1 : 3; }

QImage scaledWhole(const QImage& image, QSize to, QImage::Format format)
{
    return madeImage(madeImage(image.scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)).convertToFormat(format));
}

// Destination rows [first, first + count) from the source rows they cover.
void scaleBand(QImage& result, QSize from, int first, int count, const ImageRows& rows)
{
    const int top = sourceRow(first, from.height(), result.height());
    const int bottom = first + count == result.height()
                           ? from.height()
                           : std::max(top + 1, sourceRow(first + count, from.height(), result.height()));
    const QImage band = scaledWhole(rows(top, bottom - top), QSize(result.width(), count), result.format());
    const auto rowBytes = static_cast<std::size_t>(result.width() * bytesPerPixel(result.format()));
    for (int row = 0; row < count; ++row)
        std::memcpy(result.scanLine(first + row), band.constScanLine(row), rowBytes);
}

} // namespace

QSize sizeWithin(QSize pixels, const PixelBounds& bounds)
{
    const int longSide = std::max(pixels.width(), pixels.height());
    const int shortSide = std::min(pixels.width(), pixels.height());
    if (longSide <= bounds.longSide && shortSide <= bounds.shortSide)
        return pixels;
    const double scale = std::min(static_cast<double>(bounds.longSide) / longSide,
                                  static_cast<double>(bounds.shortSide) / shortSide);
    return QSize(std::max(1, roundHalfEven<int>(pixels.width() * scale)),
                 std::max(1, roundHalfEven<int>(pixels.height() * scale)));
}

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

QImage smoothlyScaled(QSize from, QSize to, QImage::Format format, const ImageRows& rows)
{
    if (from.height() <= bandRows(from))
        return scaledWhole(rows(0, from.height()), to, format);
    QImage result = allocatedImage(to, format);
    const int resultRowsPerBand = std::max(1, sourceRow(bandRows(from), to.height(), from.height()));
    for (int first = 0; first < to.height(); first += resultRowsPerBand)
        scaleBand(result, from, first, std::min(resultRowsPerBand, to.height() - first), rows);
    return result;
}

QImage smoothlyScaled(const QImage& image, QSize to)
{
    return smoothlyScaled(image.size(), to, image.format(), [&image](int first, int count) {
        return QImage(image.constScanLine(first), image.width(), count, image.bytesPerLine(), image.format());
    });
}

} // namespace kestrova
