#include "resampling.h"

#include "printing/page_units.h"

#include "core/rounding.h"
#include "picture/picture_pixels.h"

#include <algorithm>

namespace kestrova {

QSize printerPixels(double widthTwips, double heightTwips, int dotsPerInch)
{
    return QSize(std::max(1, roundHalfEven<int>(widthTwips * dotsPerInch / TwipsPerInch)),
                 std::max(1, roundHalfEven<int>(heightTwips * dotsPerInch / TwipsPerInch)));
}

QImage resampledForPrinter(const QImage& image, double widthTwips, double heightTwips, int dotsPerInch,
                           Resampling resampling)
{
    const QSize pixels = printerPixels(widthTwips, heightTwips, dotsPerInch);
    if (resampling == Resampling::Smooth)
        return smoothlyScaled(image, pixels);
    return madeImage(madeImage(image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::FastTransformation)).convertToFormat(image.format()));
}

bool finerThanPrinter(QSize pixels, double widthTwips, double heightTwips, int dotsPerInch)
{
    const QSize printed = printerPixels(widthTwips, heightTwips, dotsPerInch);
    return pixels.width() > printed.width() && pixels.height() > printed.height();
}

QImage reducedToPrinterResolution(const QImage& image, double widthTwips, double heightTwips, int dotsPerInch)
{
    if (!finerThanPrinter(image.size(), widthTwips, heightTwips, dotsPerInch))
        return image;
    return resampledForPrinter(image, widthTwips, heightTwips, dotsPerInch, Resampling::Smooth);
}

} // namespace kestrova
