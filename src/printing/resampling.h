#pragma once
// Pictures resampled to the pixels a printer puts on paper. A PDF viewer or printer picks
// its own filter when it enlarges an image, so a requester's choice between pixel
// replication and smoothing shows only when the image already has the printer's pixels.

#include <QImage>
#include <QSize>

namespace kestrova {

enum class Resampling { Replicate, Smooth };

// The pixels a printer of that resolution prints in width x height twips, at least 1 x 1.
QSize printerPixels(double widthTwips, double heightTwips, int dotsPerInch);

// The image at exactly those pixels, in its own format. Raises InvalidPicture when there is no
// room for them.
QImage resampledForPrinter(const QImage& image, double widthTwips, double heightTwips, int dotsPerInch,
                           Resampling resampling);

// Whether an image of that size has more pixels, both ways, than the printer prints there.
bool finerThanPrinter(QSize pixels, double widthTwips, double heightTwips, int dotsPerInch);

// An image finer than the printer smoothed down to the printer's pixels; any other as it is.
// The page then carries, and a PDF engine compresses, only what prints: a 4096 x 4096 image in
// a quarter of an A4 page at 600 dpi holds three times that.
QImage reducedToPrinterResolution(const QImage& image, double widthTwips, double heightTwips, int dotsPerInch);

} // namespace kestrova
