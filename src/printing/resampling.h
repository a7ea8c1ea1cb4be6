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

// The image at exactly those pixels, in its own format.
QImage resampledForPrinter(const QImage& image, double widthTwips, double heightTwips, int dotsPerInch,
                           Resampling resampling);

} // namespace kestrova
