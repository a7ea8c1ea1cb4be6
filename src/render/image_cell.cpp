#include "image_cell.h"

#include "core/number_text.h"
#include "core/rounding.h"
#include "data/print_tags.h"

namespace kestrova {

namespace {

constexpr double TwipsPerMm = 1440.0 / 25.4;

Picture renderPicture(const PrintContext& context, const Image& image, const DataSet& imageBox)
{
    RenditionChoices choices;
    choices.reversed = imageBox.attribute(PrintTag::Polarity).textOrEmpty() == "REVERSE";
    // A table that the latest load did not fill entirely would print black.
    if (context.settings.LUT == 1 && context.lut.complete)
        choices.outputCurve = &context.lut.table;
    return image.picture(choices);
}

void drawPreview(const PrintContext& context, const Picture& picture, const Cell& cell)
{
    const FittedPicture fitted = fitPicture(cell, picture.widthHimetric, picture.heightHimetric);
    context.preview.paintPicture(picture, static_cast<float>(fitted.x), static_cast<float>(fitted.y), fitted.width,
                                 fitted.height);
    context.preview.refresh();
}

// The Requested Image Size (width in mm) when the picture fits the cell at it, centred;
// otherwise the picture fitted as large as the cell allows.
FittedPicture placedOnPage(const Cell& cell, const Picture& picture, const DataSet& imageBox)
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

std::optional<Resampling> chosenResampling(const DataSet& imageBox, const FilmCellStyle& style)
{
    const auto own = resamplingFor(imageBox.attribute(PrintTag::MagnificationType));
    return own ? own : style.magnification;
}

void fillEmptyCell(const PrintContext& context, const Cell& cell, const FilmCellStyle& style)
{
    if (style.emptyCellGrey)
        context.printer.fillRectangle(static_cast<float>(cell.x), static_cast<float>(cell.y), cell.width, cell.height,
                                      *style.emptyCellGrey);
}

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

void renderImageCell(const PrintContext& context, const DataSetCollection& references,
                     const CellPlacement& placement, const FilmCellStyle& style)
{
    const DataSetPtr& reference = references.item(static_cast<std::size_t>(placement.reference));
    const DataSetPtr& imageBox = context.store->item(reference->attribute(ReferencedSopInstanceUidTag).asText());
    const DataSetPtr image = imageOf(*imageBox);
    if (!image) {
        fillEmptyCell(context, placement.page, style);
        return;
    }

    Picture picture = renderPicture(context, Image(image), *imageBox);

    if (context.isMaximized())
        drawPreview(context, picture, placement.preview);
    const FittedPicture fitted = placedOnPage(placement.page, picture, *imageBox);
    if (const auto resampling = chosenResampling(*imageBox, style))
        picture.image = resampledForPrinter(picture.image, fitted.width, fitted.height, context.printer.dotsPerInch(),
                                            *resampling);
    context.printer.paintPicture(picture, static_cast<float>(fitted.x), static_cast<float>(fitted.y), fitted.width,
                                 fitted.height);
}

} // namespace kestrova
