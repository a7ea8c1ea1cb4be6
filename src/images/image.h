#pragma once
// Turns an image data set (pixel data with its description) into a printable picture.

#include "core/lut_table.h"
#include "picture/picture.h"
#include "data/data_set.h"

namespace kestrova {

// Pictures come out as 8-bit grayscale or RGB, sized as the image's pixels at 96 dpi,
// widened by the pixel aspect ratio.

// What is done to the 8-bit rendition before it prints: the requester's reversed polarity
// first, then the output curve, which calibrates the printer and so comes last.
struct RenditionChoices {
    bool reversed = false;
    const LutTable* outputCurve = nullptr;
};

class Image {
public:
    explicit Image(DataSetPtr imageDataSet);
    // The picture prepared when the image arrived (with its image, if it was kept compressed),
    // or else decoded now. Raises an AppError for malformed or unsupported pixel data; never crashes.
    Picture picture() const;
    // The same rendition with those choices applied (each channel for colour).
    Picture picture(const RenditionChoices& choices) const;

private:
    DataSetPtr dataSet_;
};

// The image sequence of an image box; grayscale wins when it carries both.
Attribute imageSequenceOf(const DataSet& imageBox);
// The image an image box prints (the first of its sequence); null while it has none.
DataSetPtr imageOf(const DataSet& imageBox);

// The image decoded for printing: an 8-bit rendition linear over Bits Stored (or its own
// window), MONOCHROME1 inverted. Raises an AppError for malformed or unsupported pixel data.
Picture decodedPicture(const DataSet& image);

// The image decoded now and kept as its picture's compressed pixels, as a film file wants them:
// a film waiting for its last images then holds a few percent of its pixels. Null when it
// cannot be decoded; printing then decodes it again and reports why.
std::shared_ptr<const Picture> preparedPicture(const DataSet& image);

} // namespace kestrova
