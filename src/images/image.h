#pragma once
// Turns an image data set (pixel data with its description) into a printable picture.

#include "data/data_set.h"
#include "picture/picture.h"
#include "picture/picture_pixels.h"

#include <cstdint>
#include <optional>

namespace kestrova {

// The image sequence of an image box; grayscale wins when it carries both.
Attribute imageSequenceOf(const DataSet& imageBox);
// The image an image box prints (the first of its sequence); null while it has none.
DataSetPtr imageOf(const DataSet& imageBox);

// What an image's attributes say its pixels are, before any pixel is read.
struct DeclaredPixels {
    int rows = 0;
    int columns = 0;
    int samples = 0;
    int bitsAllocated = 0;

    // Rows x Columns x Samples per Pixel x Bits Allocated / 8, whole bytes.
    std::uint64_t bytes() const;
    // Of its rendition as decodedPicture keeps it within the bounds: a byte a sample.
    std::uint64_t renditionBytes(const PixelBounds& bounds) const;
};

// None when Rows, Columns, Samples per Pixel or Bits Allocated is missing or not a number of at
// least 1: such an image cannot be decoded, and printing says why.
std::optional<DeclaredPixels> declaredPixels(const DataSet& image);
// The length of its Pixel Data; 0 without any.
std::uint64_t receivedPixelBytes(const DataSet& image);

// The image decoded for printing: an 8-bit grayscale or RGB rendition, linear over Bits Stored
// (or by its own window), MONOCHROME1 inverted, sized as its pixels at 96 dpi widened by the
// pixel aspect ratio. An image of more pixels than the bounds hold is smoothed down to the most
// they hold; its size stays its own. Raises an AppError for malformed or unsupported pixel data
// and for memory that cannot be had (InvalidPicture, "no room for its pixels"); never crashes.
Picture decodedPicture(const DataSet& image, const PixelBounds& bounds);

// The image decoded now and kept as its picture's compressed pixels, as a film file wants them:
// a film waiting for its last images then holds a few percent of its pixels. Null when it
// cannot be decoded; printing then decodes it again and reports why.
std::shared_ptr<const Picture> preparedPicture(const DataSet& image, const PixelBounds& bounds);

} // namespace kestrova
