#include "render/film_page.h"

#include "core/errors.h"
#include "core/rounding.h"
#include "data/print_tags.h"
#include "printing/picture_file.h"
#include "core/number_text.h"
#include "render/annotation_formats.h"
#include "render/film_cells.h"
#include "render/film_grid.h"
#include "render/header_band.h"
#include "render/printed_picture.h"

#include <algorithm>

namespace kestrova {
namespace {

constexpr float TwipsPerPoint = 20.0F;
constexpr std::uint8_t Black = 0;
constexpr std::uint8_t White = 255;

std::int16_t copiesOf(const DataSet& filmSession)
{
    const Attribute copies = filmSession.attribute(PrintTag::NumberOfCopies);
    if (copies.isNull())
        return 1;
    return checkedNarrow<std::int16_t>(roundHalfEven<std::int32_t>(copies.asNumber()));
}

std::uint8_t densityGrey(const DataSet& filmBox, Tag density)
{
    return filmBox.attribute(density).textOrEmpty() == "BLACK" ? Black : White;
}

const ImageBoxToPrint& imageBoxAt(const FilmToPrint& film, std::int16_t position)
{
    if (static_cast<std::size_t>(position) > film.imageBoxes.size())
        raise(ErrorCode::SubscriptOutOfRange);
    return film.imageBoxes[static_cast<std::size_t>(position) - 1];
}

// Only film-like printers take the densities: modalities set up for film often ask for black,
// which on an office printer costs a page of toner per film. Empty cells of the border's grey
// need no fill of their own.
FilmCellStyle cellStyleOf(const FilmToPrint& film, const FilmJobSettings& settings, const PageFrame& frame)
{
    const PrinterCapabilities& printer = frame.printer;
    FilmCellStyle style;
    style.greyScale.densities = densityRequestOf(film.filmBox);
    style.greyScale.presentationLut = film.presentationLut;
    if (frame.densities)
        style.greyScale.printer = *frame.densities;
    style.magnificationType = trimmedText(film.filmBox, PrintTag::MagnificationType);
    const std::uint8_t empty = densityGrey(film.filmBox, PrintTag::EmptyImageDensity);
    if (printer.honoursDensities && empty != densityGrey(film.filmBox, PrintTag::BorderDensity))
        style.emptyCellGrey = empty;
    // A table that the latest load did not fill entirely would print black.
    if (settings.configuration.settings.LUT == 1 && settings.lut.complete)
        style.outputCurve = &settings.lut.table;
    style.dotsPerInch =
        requestedDotsPerInch(film.filmBox.attribute(PrintTag::RequestedResolutionId).textOrEmpty(), printer.dotsPerInch);
    style.trim = trimmedText(film.filmBox, PrintTag::Trim) == "YES";
    return style;
}

std::optional<FilledArea> borderOf(const DataSet& filmBox, const PrinterCapabilities& printer, const GridArea& grid)
{
    const std::uint8_t border = densityGrey(filmBox, PrintTag::BorderDensity);
    if (!printer.honoursDensities || border == White)
        return std::nullopt;
    return FilledArea{QRectF(grid.left, grid.top, grid.width, grid.height), border};
}

// The printable area in single precision, which the band's positions and the grid's share of
// the page are computed from.
QSizeF layoutArea(const PrinterMetrics& metrics)
{
    return QSizeF(static_cast<float>(metrics.printableArea.width()), static_cast<float>(metrics.printableArea.height()));
}

// The grid takes the printable area below the band, and above the annotation line when there is one.
GridArea gridBelow(std::int32_t bandHeight, QSizeF area, double annotationLine)
{
    return GridArea{0, bandHeight, area.width(), area.height() - bandHeight - annotationLine};
}

std::vector<AnnotationPlace> annotationPlacesOf(const DataSet& filmBox)
{
    return annotationPlaces(filmBox.attribute(PrintTag::AnnotationDisplayFormatId).textOrEmpty())
        .value_or(std::vector<AnnotationPlace>{});
}

double annotationX(AnnotationPlace place, double width, double textWidth)
{
    switch (place) {
    case AnnotationPlace::Left: return 0;
    case AnnotationPlace::Centre: return (width - textWidth) / 2;
    case AnnotationPlace::Right: return width - textWidth;
    }
    return 0;
}

// Each annotation box's text at the place of its Annotation Position (its own position in the
// film box when it names none), on the line under the grid. Empty texts take no place.
void placeAnnotations(FilmPage& page, const FilmToPrint& film, const std::vector<AnnotationPlace>& places,
                      const FontMetrics& font, QSizeF area)
{
    // A film without annotation boxes never measures the font: measuring loads it.
    if (film.annotationBoxes.empty())
        return;
    const double baseline = area.height() - font.lineHeight() + font.ascent();
    for (std::size_t box = 0; box < film.annotationBoxes.size(); ++box) {
        const DataSet& annotation = film.annotationBoxes[box];
        const QString text = QString::fromLocal8Bit(annotation.attribute(PrintTag::TextString).textOrEmpty());
        const Attribute position = annotation.attribute(PrintTag::AnnotationPosition);
        const double at = position.exists() && !position.isNull() ? position.asNumber() : static_cast<double>(box + 1);
        if (text.isEmpty() || at < 1 || at > static_cast<double>(places.size()))
            continue;
        const AnnotationPlace place = places[static_cast<std::size_t>(at) - 1];
        page.captions.push_back(CaptionLine{QPointF(annotationX(place, area.width(), font.textWidth(text)), baseline), text});
    }
}

void placeCells(FilmPage& page, const FilmToPrint& film, const GridArea& grid, const FilmCellStyle& style)
{
    std::int32_t position = 0;
    forEachCell(grid, page.layout, [&](const Cell& cell) {
        page.cells.push_back(filmCell(imageBoxAt(film, checkedNarrow<std::int16_t>(++position)), cell, style));
    });
}

bool asksForGreyScale(const FilmToPrint& film)
{
    return film.presentationLut || densityRequestOf(film.filmBox).asksForDensities()
           || std::any_of(film.imageBoxes.begin(), film.imageBoxes.end(),
                          [](const ImageBoxToPrint& imageBox) { return imageBox.presentationLut.has_value(); });
}

std::optional<PlacedPicture> printedLogo(const std::optional<PlacedPicture>& logo, int dotsPerInch)
{
    if (!logo)
        return std::nullopt;
    return PlacedPicture{logo->target, printedPicture(logo->picture, logo->target.size(), {}, dotsPerInch)};
}

} // namespace

PageSetup filmPageSetup(const FilmToPrint& film, const PrinterCapabilities& printer)
{
    PageSetup setup;
    setup.copies = copiesOf(film.filmSession);
    setup.paper = printer.paperForFilm(film.filmBox.attribute(PrintTag::FilmSizeId).textOrEmpty());
    setup.orientation = film.filmBox.attribute(PrintTag::FilmOrientation).textOrEmpty() == "PORTRAIT"
                            ? Orientation::Portrait
                            : Orientation::Landscape;
    return setup;
}

QFont captionFont(const Settings& settings)
{
    QFont font;
    font.setFamily(QString::fromLocal8Bit(settings.Fontname));
    font.setPixelSize(std::max(1, roundHalfEven<int>(static_cast<float>(settings.Fontsize) * TwipsPerPoint)));
    return font;
}

PageFrame pageFrame(const FilmToPrint& film, const FilmJobSettings& settings, const PrinterDevice& printer)
{
    PageFrame frame;
    frame.printer = printer.capabilities();
    frame.setup = filmPageSetup(film, frame.printer);
    frame.captionFont = captionFont(settings.configuration.settings);
    frame.metrics = printer.metrics(frame.setup, frame.captionFont);
    if (const std::string& logo = settings.configuration.settings.ImagePath; !logo.empty())
        frame.logo = loadPictureFile(logo);
    if (asksForGreyScale(film))
        frame.densities = printerDensities(settings.printer);
    return frame;
}

FilmPage layOutFilmPage(const FilmToPrint& film, const FilmJobSettings& settings, const PageFrame& frame)
{
    FilmPage page;
    page.setup = frame.setup;
    page.captionFont = frame.captionFont;
    page.layout = DecodeFormat(film.filmBox.attribute(PrintTag::ImageDisplayFormat).asText());
    const QSizeF area = layoutArea(frame.metrics);
    HeaderBand band = headerBand(settings.configuration, frame.logo, static_cast<float>(area.width()), frame.metrics.font);
    page.captions = std::move(band.captions);
    page.logo = printedLogo(band.logo, frame.printer.dotsPerInch);
    const std::vector<AnnotationPlace> places = annotationPlacesOf(film.filmBox);
    const GridArea grid = gridBelow(band.height, area, places.empty() ? 0.0 : frame.metrics.font.lineHeight());
    page.border = borderOf(film.filmBox, frame.printer, grid);
    placeCells(page, film, grid, cellStyleOf(film, settings, frame));
    placeAnnotations(page, film, places, frame.metrics.font, area);
    return page;
}

std::uint64_t pagePixelBytes(const FilmPage& page)
{
    std::uint64_t bytes = page.logo ? pixelBytes(page.logo->picture) : 0;
    for (const FilmCell& cell : page.cells)
        bytes += cell.picture ? pixelBytes(cell.picture->picture) : 0;
    return bytes;
}

} // namespace kestrova
