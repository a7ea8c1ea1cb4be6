#include "render/film_cells.h"

#include "core/number_text.h"
#include "core/rounding.h"
#include "data/print_tags.h"
#include "printing/page_units.h"
#include "render/printed_picture.h"

namespace kestrova {
namespace {

FittedPicture placedInCell(const Cell& cell, const Picture& picture, const DataSet& imageBox)
{
    // A size that does not read as one number is as good as none: it must not cost the film.
    if (const auto widthMm = parseDecimalNumber(imageBox.attribute(PrintTag::RequestedImageSize).textOrEmpty())) {
        const double width = *widthMm * TwipsPerMm;
        const double height = width * picture.heightHimetric / picture.widthHimetric;
        if (width > 0 && width <= cell.width && height <= cell.height)
            return FittedPicture{roundHalfEven<std::int32_t>(cell.x + (cell.width - width) / 2),
                                 roundHalfEven<std::int32_t>(cell.y + (cell.height - height) / 2), width, height};
    }
    return fitPicture(cell, picture.widthHimetric, picture.heightHimetric);
}

// None where neither the image box nor its film asks for one, or for a colour image.
std::optional<LevelCurve> greyScaleOf(const ImageBoxToPrint& imageBox, const FilmGreyScale& film)
{
    const auto& lut = imageBox.presentationLut ? imageBox.presentationLut : film.presentationLut;
    if ((!lut && !film.densities.asksForDensities())
        || !imageBox.attributes.has(PrintTag::BasicGrayscaleImageSequence))
        return std::nullopt;
    return printGreyScale(lut.value_or(PresentationCurve{}), film.densities, film.printer);
}

PictureTreatment treatmentOf(const ImageBoxToPrint& imageBox, const FilmCellStyle& style)
{
    PictureTreatment treatment;
    treatment.rendition.reversed = imageBox.attributes.attribute(PrintTag::Polarity).textOrEmpty() == "REVERSE";
    treatment.rendition.greyScale = greyScaleOf(imageBox, style.greyScale);
    treatment.rendition.outputCurve = style.outputCurve;
    const auto own = resamplingFor(imageBox.attributes.attribute(PrintTag::MagnificationType));
    treatment.resampling = own ? own : style.magnification;
    return treatment;
}

QRectF areaOf(const Cell& cell) { return QRectF(cell.x, cell.y, cell.width, cell.height); }

} // namespace

std::optional<Resampling> resamplingFor(const Attribute& magnificationType)
{
    const std::string type = magnificationType.textOrEmpty();
    if (type == "REPLICATE" || type == "NONE")
        return Resampling::Replicate;
    if (type == "BILINEAR" || type == "CUBIC")
        return Resampling::Smooth;
    return std::nullopt;
}

FilmCell filmCell(const ImageBoxToPrint& imageBox, const Cell& cell, const FilmCellStyle& style)
{
    if (!imageBox.picture) {
        if (style.emptyCellGrey)
            return FilmCell{FilledArea{areaOf(cell), *style.emptyCellGrey}, std::nullopt};
        return FilmCell{};
    }
    const FittedPicture fitted = placedInCell(cell, *imageBox.picture, imageBox.attributes);
    const QRectF target(fitted.x, fitted.y, fitted.width, fitted.height);
    return FilmCell{std::nullopt, PlacedPicture{target, printedPicture(*imageBox.picture, target.size(),
                                                                       treatmentOf(imageBox, style),
                                                                       style.dotsPerInch)}};
}

} // namespace kestrova
