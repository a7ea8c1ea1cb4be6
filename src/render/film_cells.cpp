#include "render/film_cells.h"

#include "core/number_text.h"
#include "core/rounding.h"
#include "data/print_tags.h"
#include "printing/page_units.h"
#include "render/printed_picture.h"

#include <algorithm>
#include <array>

namespace kestrova {
namespace {

constexpr int StandardDotsPerInch = 300;
constexpr int HighDotsPerInch = 600;
// Half a point: seen on paper, and covering no more than a few dots of the picture's edge.
constexpr double TrimWidth = 10;
constexpr std::uint8_t Black = 0;

enum class Oversize { Decimate, Crop, Fail };

// The size an image box asks its picture printed at, in twips. Requested Image Size is printed at
// when it fits; Magnification Type NONE only bounds the picture from above.
struct RequestedSize {
    QSizeF size;
    bool printedAtWhenItFits = false;
};

// The image box's own Magnification Type when it names one DICOM defines, else the film box's.
std::string magnificationTypeOf(const DataSet& imageBox, const FilmCellStyle& style)
{
    std::string own = trimmedText(imageBox, PrintTag::MagnificationType);
    return resamplingFor(own) ? own : style.magnificationType;
}

double heightAtWidth(double width, const Picture& picture)
{
    return width * picture.heightHimetric / picture.widthHimetric;
}

std::optional<RequestedSize> requestedSize(const ImageBoxToPrint& imageBox, const FilmCellStyle& style)
{
    const Picture& picture = *imageBox.picture;
    const DataSet& attributes = imageBox.attributes;
    // A size that does not read as one number is as good as none: it must not cost the film.
    if (const auto widthMm = parseDecimalNumber(attributes.attribute(PrintTag::RequestedImageSize).textOrEmpty());
        widthMm && *widthMm > 0) {
        const double width = *widthMm * TwipsPerMm;
        return RequestedSize{QSizeF(width, heightAtWidth(width, picture)), true};
    }
    if (magnificationTypeOf(attributes, style) == "NONE" && style.dotsPerInch > 0) {
        const double width = pixelSize(picture).width() * TwipsPerInch / style.dotsPerInch;
        return RequestedSize{QSizeF(width, heightAtWidth(width, picture)), false};
    }
    return std::nullopt;
}

Oversize oversizeOf(const DataSet& imageBox)
{
    const std::string behaviour = trimmedText(imageBox, PrintTag::RequestedDecimateCropBehavior);
    if (behaviour == "CROP")
        return Oversize::Crop;
    return behaviour == "FAIL" ? Oversize::Fail : Oversize::Decimate;
}

bool fitsIn(QSizeF size, const Cell& cell) { return size.width() <= cell.width && size.height() <= cell.height; }

QRectF centredIn(const Cell& cell, QSizeF size)
{
    return QRectF(roundHalfEven<std::int32_t>(cell.x + (cell.width - size.width()) / 2),
                  roundHalfEven<std::int32_t>(cell.y + (cell.height - size.height()) / 2), size.width(), size.height());
}

QRectF fittedIn(const Cell& cell, const Picture& picture)
{
    const FittedPicture fitted = fitPicture(cell, picture.widthHimetric, picture.heightHimetric);
    return QRectF(fitted.x, fitted.y, fitted.width, fitted.height);
}

// The centre of the picture that shows when it is printed `size` large in the cell: the cell's
// share of it each way, at least a pixel.
Picture centreOf(const Picture& picture, QSizeF size, const Cell& cell)
{
    const double widthShare = std::min(1.0, cell.width / size.width());
    const double heightShare = std::min(1.0, cell.height / size.height());
    Picture whole = withImage(picture);
    const QSize pixels = whole.image.size();
    const int columns = std::max(1, roundHalfEven<int>(pixels.width() * widthShare));
    const int rows = std::max(1, roundHalfEven<int>(pixels.height() * heightShare));
    Picture centre;
    centre.image = whole.image.copy((pixels.width() - columns) / 2, (pixels.height() - rows) / 2, columns, rows);
    if (centre.image.isNull())
        raise(ErrorCode::InvalidPicture, "No memory for the cropped picture");
    centre.widthHimetric = roundHalfEven<std::int32_t>(picture.widthHimetric * widthShare);
    centre.heightHimetric = roundHalfEven<std::int32_t>(picture.heightHimetric * heightShare);
    return centre;
}

struct Placement {
    QRectF target;
    Picture picture;
};

Placement placedInCell(const ImageBoxToPrint& imageBox, const Cell& cell, const FilmCellStyle& style)
{
    const Picture& picture = *imageBox.picture;
    const auto requested = requestedSize(imageBox, style);
    if (!requested)
        return Placement{fittedIn(cell, picture), picture};
    if (fitsIn(requested->size, cell))
        return Placement{requested->printedAtWhenItFits ? centredIn(cell, requested->size) : fittedIn(cell, picture),
                         picture};
    switch (oversizeOf(imageBox.attributes)) {
    case Oversize::Fail:
        throw ImageLargerThanCell("Image of " + std::to_string(roundHalfEven<std::int64_t>(requested->size.width())) +
                                  " x " + std::to_string(roundHalfEven<std::int64_t>(requested->size.height())) +
                                  " twips is larger than its image box of " + std::to_string(cell.width) + " x " +
                                  std::to_string(cell.height) + " twips, and may be neither decimated nor cropped");
    case Oversize::Crop: {
        const QSizeF shown(std::min<double>(requested->size.width(), cell.width),
                           std::min<double>(requested->size.height(), cell.height));
        return Placement{centredIn(cell, shown), centreOf(picture, requested->size, cell)};
    }
    case Oversize::Decimate: break;
    }
    return Placement{fittedIn(cell, picture), picture};
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
    treatment.resampling = resamplingFor(magnificationTypeOf(imageBox.attributes, style));
    return treatment;
}

QRectF areaOf(const Cell& cell) { return QRectF(cell.x, cell.y, cell.width, cell.height); }

// Over the picture's edges, so that it stays within its cell.
std::vector<FilledArea> trimFrame(const QRectF& picture)
{
    const double width = std::min({TrimWidth, picture.width() / 2, picture.height() / 2});
    const std::array<QRectF, 4> edges = {
        QRectF(picture.left(), picture.top(), picture.width(), width),
        QRectF(picture.left(), picture.bottom() - width, picture.width(), width),
        QRectF(picture.left(), picture.top(), width, picture.height()),
        QRectF(picture.right() - width, picture.top(), width, picture.height()),
    };
    std::vector<FilledArea> frame;
    for (const QRectF& edge : edges)
        frame.push_back(FilledArea{edge, Black});
    return frame;
}

} // namespace

std::string trimmedText(const DataSet& dataSet, Tag tag)
{
    return std::string(trimBlanks(dataSet.attribute(tag).textOrEmpty(), " "));
}

std::optional<Resampling> resamplingFor(const std::string& magnificationType)
{
    if (magnificationType == "REPLICATE" || magnificationType == "NONE")
        return Resampling::Replicate;
    if (magnificationType == "BILINEAR" || magnificationType == "CUBIC")
        return Resampling::Smooth;
    return std::nullopt;
}

int requestedDotsPerInch(const std::string& requestedResolutionId, int printerDotsPerInch)
{
    const std::string_view id = trimBlanks(requestedResolutionId, " ");
    if (id == "STANDARD")
        return std::min(StandardDotsPerInch, printerDotsPerInch);
    if (id == "HIGH")
        return std::min(HighDotsPerInch, printerDotsPerInch);
    return printerDotsPerInch;
}

FilmCell filmCell(const ImageBoxToPrint& imageBox, const Cell& cell, const FilmCellStyle& style)
{
    if (!imageBox.picture) {
        if (style.emptyCellGrey)
            return FilmCell{FilledArea{areaOf(cell), *style.emptyCellGrey}, std::nullopt, {}};
        return FilmCell{};
    }
    const Placement placed = placedInCell(imageBox, cell, style);
    const PictureTreatment treatment = treatmentOf(imageBox, style);
    return FilmCell{std::nullopt,
                    PlacedPicture{placed.target, printedPicture(placed.picture, placed.target.size(), treatment, style.dotsPerInch)},
                    style.trim ? trimFrame(placed.target) : std::vector<FilledArea>{}};
}

} // namespace kestrova
