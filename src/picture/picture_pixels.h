#pragma once
// The pixels of pictures: how many a picture needs at most, images made with Qt checked for the
// memory Qt could not find, and images scaled smoothly within a bounded working copy.
//
// Threads: pure functions, on any thread.

#include <QImage>
#include <QSize>

#include <functional>

namespace kestrova {

// The most pixels a picture can show: the largest paper of a printer at its resolution. Either way
// round, since a film prints portrait or landscape.
struct PixelBounds {
    int longSide = 0;
    int shortSide = 0;
    bool operator==(const PixelBounds&) const = default;
};

// The size reduced, aspect ratio kept, until it fits the bounds one way round or the other; at
// least 1 x 1. A size that fits already is returned as it is.
QSize sizeWithin(QSize pixels, const PixelBounds& bounds);

// An image of that size and format. Qt answers an allocation it cannot make with a null image,
// which would print as nothing: this raises InvalidPicture ("no room for its pixels") instead.
QImage allocatedImage(QSize size, QImage::Format format);
// The result of a Qt operation that allocates (scaling, converting, copying), raising as
// allocatedImage when it came back null.
QImage madeImage(QImage image);
// The image's pixels to write into, detached from any image sharing them; raises as
// allocatedImage when there was no room for its own copy.
uchar* writablePixels(QImage& image);

// Rows written one after the other without padding, from the start of row `first` on, moved to
// their places in the image's padded rows. The last moves first, so none is overwritten before
// it has moved.
void spreadRows(QImage& image, int first, int count, qsizetype rowBytes);

// Gives `count` rows of an image from row `first` on, as an image of their own.
using ImageRows = std::function<QImage(int first, int count)>;

// The image of `from` pixels, given by `rows`, smoothed to `to` in `format` (8-bit grey or RGB).
// Qt scales smoothly in 32 bits a pixel only, which for a 32768 x 32768 grey image would be 4 GB
// beside the image: an image larger than one band is scaled a band of rows at a time into its
// share of the result, with a band's worth of that working copy. An image within one band is
// scaled whole, as Qt alone would.
QImage smoothlyScaled(QSize from, QSize to, QImage::Format format, const ImageRows& rows);
QImage smoothlyScaled(const QImage& image, QSize to);

} // namespace kestrova
