#include "render/printed_picture.h"

namespace kestrova {

Picture printedPicture(const Picture& picture, QSizeF size, const PictureTreatment& treatment, int dotsPerInch)
{
    const QSize pixels = pixelSize(picture);
    const double width = size.width();
    const double height = size.height();
    if (!treatment.rendition.changesPixels() && !treatment.resampling
        && !finerThanPrinter(pixels, width, height, dotsPerInch))
        return keptCompressed(picture);
    Picture printed = withImage(picture);
    QImage image = withRendition(printed.image, treatment.rendition);
    if (treatment.resampling)
        image = resampledForPrinter(image, width, height, dotsPerInch, *treatment.resampling);
    printed.image = reducedToPrinterResolution(image, width, height, dotsPerInch);
    return keptCompressed(std::move(printed));
}

} // namespace kestrova
