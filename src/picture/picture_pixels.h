#pragma once
// The pixels of pictures: images made with Qt checked for the memory Qt could not find.
//
// Threads: pure functions, on any thread.

#include <QImage>
#include <QSize>

namespace kestrova {

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

} // namespace kestrova
