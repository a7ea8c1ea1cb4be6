#pragma once
// Turns an image data set (pixel data with its description) into a printable picture.

#include "picture/picture.h"
#include "data/data_set.h"

namespace kestrova {

// The image sequence of an image box; grayscale wins when it carries both.
Attribute imageSequenceOf(const DataSet& imageBox);
// The image an image box prints (the first of its sequence); null while it has none.
DataSetPtr imageOf(const DataSet& imageBox);

// The image decoded for printing: an 8-bit grayscale or RGB rendition, linear over Bits Stored
// (or by its own window), MONOCHROME1 inverted, sized as its pixels at 96 dpi widened by the
// pixel aspect ratio. Raises an AppError for malformed or unsupported pixel data and for memory
// that cannot be had (InvalidPicture, "no room for its pixels"); never crashes.
Picture decodedPicture(const DataSet& image);

// The image decoded now and kept as its picture's compressed pixels, as a film file wants them:
// a film waiting for its last images then holds a few percent of its pixels. Null when it
// cannot be decoded; printing then decodes it again and reports why.
std::shared_ptr<const Picture> preparedPicture(const DataSet& image);

} // namespace kestrova
