#pragma once
// Turns an image data set (pixel data with its description) into a printable picture.

#include "picture/picture.h"
#include "data/data_set.h"

namespace kestrova {

// Pictures come out as 8-bit grayscale or RGB, sized as the image's pixels at 96 dpi,
// widened by the pixel aspect ratio.

class Image {
public:
    explicit Image(DataSetPtr imageDataSet);
    // The picture prepared when the image arrived (with its image, if it was kept compressed),
    // or else decoded now. Raises an AppError for malformed or unsupported pixel data; never crashes.
    Picture picture() const;

private:
    DataSetPtr dataSet_;
};

// The image sequence of an image box; grayscale wins when it carries both.
Attribute imageSequenceOf(const DataSet& imageBox);
// The image an image box prints (the first of its sequence); null while it has none.
DataSetPtr imageOf(const DataSet& imageBox);

// The images of an image box's image sequence, each decoded now and kept as its picture's
// compressed pixels, as a film file wants them, without the received pixel data: a film
// waiting for its last images then holds a few percent of its pixels. An image that cannot be
// decoded stays as it came, so that printing reports it. Null when no image could be decoded.
CollectionPtr preparedImages(const DataSetCollection& images);

} // namespace kestrova
