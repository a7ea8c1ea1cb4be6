#include "film_print.h"

#include "core/error_log.h"
#include "core/errors.h"
#include "core/file_system.h"
#include "core/program_folder.h"
#include "core/rounding.h"
#include "core/steps.h"
#include "render/display_format.h"
#include "render/header_band.h"
#include "render/image_cell.h"
#include "printing/film_folder.h"
#include "printing/null_preview_surface.h"
#include "print_service/dimse_status.h"
#include "data/print_tags.h"
#include "data/sop_classes.h"

#include <algorithm>

namespace kestrova {

namespace {

constexpr const char* Label = "DoPrint";

void selectIfListed(PrinterDevice& printer, const std::string& deviceName)
{
    const auto names = printer.printerNames();
    if (std::find(names.begin(), names.end(), deviceName) != names.end())
        printer.selectPrinter(deviceName);
}

std::int32_t nearestQuotient(double dividend, std::int16_t divisor)
{
    if (divisor == 0)
        raise(ErrorCode::DivisionByZero);
    return roundHalfEven<std::int32_t>(dividend / divisor);
}

std::int32_t cellOrigin(std::int32_t size, int index, std::int32_t offset)
{
    return checkedNarrow<std::int32_t>(static_cast<std::int64_t>(size) * (index - 1) + offset);
}

std::int16_t copiesOf(const DataSetPtr& filmSession)
{
    if (!filmSession)
        raise(ErrorCode::ObjectNotSet, "Film session not found");
    const Attribute copies = filmSession->attribute(PrintTag::NumberOfCopies);
    if (copies.isNull())
        return 1;
    return checkedNarrow<std::int16_t>(roundHalfEven<std::int32_t>(copies.asNumber()));
}

// Anything but "PORTRAIT" prints landscape. An absent orientation is the same as an empty
// one: it must not keep a film from printing, since requesters may leave it out.
Orientation orientationOf(const DataSet& filmBox)
{
    return filmBox.attribute(PrintTag::FilmOrientation).textOrEmpty() == "PORTRAIT" ? Orientation::Portrait
                                                                                     : Orientation::Landscape;
}

struct PaperMm {
    const char* filmSizeId;
    double width;
    double height;
};

// Film Size ID's defined terms as paper for the built-in printer; DICOM notes 10INX14IN as
// 25.7 x 36.4 cm.
constexpr PaperMm FilmPapers[] = {
    {"8INX10IN", 203.2, 254.0},   {"8_5INX11IN", 215.9, 279.4}, {"10INX12IN", 254.0, 304.8},
    {"10INX14IN", 257.0, 364.0},  {"11INX14IN", 279.4, 355.6},  {"11INX17IN", 279.4, 431.8},
    {"14INX14IN", 355.6, 355.6},  {"14INX17IN", 355.6, 431.8},  {"24CMX24CM", 240.0, 240.0},
    {"24CMX30CM", 240.0, 300.0},  {"A4", 210.0, 297.0},         {"A3", 297.0, 420.0},
};
constexpr PaperMm DefaultFilmPaper = {"A4", 210.0, 297.0};

PaperMm filmPaperOf(const DataSet& filmBox)
{
    const std::string id = filmBox.attribute(PrintTag::FilmSizeId).textOrEmpty();
    const auto* paper = std::find_if(std::begin(FilmPapers), std::end(FilmPapers),
                                     [&](const PaperMm& candidate) { return id == candidate.filmSizeId; });
    return paper == std::end(FilmPapers) ? DefaultFilmPaper : *paper;
}

// Film sizes and densities are the built-in printer's: modalities set up for film often
// ask for black, which on an office printer costs a page of toner per film.
bool printsFilmLike(const PrinterDevice& printer) { return printer.selectedPrinter() == BuiltInPdfPrinterName; }

constexpr std::uint8_t Black = 0;
constexpr std::uint8_t White = 255;

std::uint8_t densityGrey(const DataSet& filmBox, Tag density)
{
    return filmBox.attribute(density).textOrEmpty() == "BLACK" ? Black : White;
}

void setUpDocument(const PrintContext& context, const DataSet& filmBox, const DataSetPtr& filmSession)
{
    PrinterDevice& printer = context.printer;
    printer.setCopies(copiesOf(filmSession));
    printer.setFontName(context.settings.Fontname);
    printer.setFontSize(static_cast<float>(context.settings.Fontsize));
    if (printsFilmLike(printer)) {
        const PaperMm paper = filmPaperOf(filmBox);
        printer.setPaperSize(paper.width, paper.height);
    }
    printer.setOrientation(orientationOf(filmBox));
}

// The area the cells share, in page or preview units.
struct GridArea {
    std::int32_t left = 0;
    std::int32_t top = 0;
    double width = 0;
    double height = 0;
};

std::int16_t cellsIn(const FilmLayout& layout, std::size_t line)
{
    const std::int16_t cells = layout.cellsPerLine[line];
    if (cells == 0)
        raise(ErrorCode::DivisionByZero); // the line cannot be shared among no cells
    if (cells < 0)
        raise(ErrorCode::InvalidArgument, "A line of the film has fewer than no cells");
    return cells;
}

// Cell `cell` (1-based) of line `line` (1-based). Lines share the grid equally across,
// cells share their line equally along.
Cell cellOf(const GridArea& area, const FilmLayout& layout, int line, int cell)
{
    const bool rows = layout.direction == LayoutDirection::Rows;
    const auto lines = checkedNarrow<std::int16_t>(layout.cellsPerLine.size());
    const std::int16_t cells = cellsIn(layout, std::size_t(line) - 1);
    const std::int32_t lineSize = nearestQuotient(rows ? area.height : area.width, lines);
    const std::int32_t cellSize = nearestQuotient(rows ? area.width : area.height, cells);
    const std::int32_t lineOrigin = cellOrigin(lineSize, line, rows ? area.top : area.left);
    const std::int32_t cellStart = cellOrigin(cellSize, cell, rows ? area.left : area.top);
    if (rows)
        return Cell{cellStart, lineOrigin, cellSize, lineSize};
    return Cell{lineOrigin, cellStart, lineSize, cellSize};
}

FilmCellStyle cellStyleOf(const PrintContext& context, const DataSet& filmBox, const GridArea& page)
{
    FilmCellStyle style;
    style.magnification = resamplingFor(filmBox.attribute(PrintTag::MagnificationType));
    if (!printsFilmLike(context.printer))
        return style;
    const std::uint8_t border = densityGrey(filmBox, PrintTag::BorderDensity);
    const std::uint8_t empty = densityGrey(filmBox, PrintTag::EmptyImageDensity);
    if (border != White)
        context.printer.fillRectangle(static_cast<float>(page.left), static_cast<float>(page.top), page.width,
                                      page.height, border);
    if (empty != border)
        style.emptyCellGrey = empty;
    return style;
}

void printCells(const PrintContext& context, const DataSet& filmBox, const FilmLayout& layout,
                std::int32_t headerHeight)
{
    PrinterDevice& printer = context.printer;
    if (layout.cellsPerLine.empty())
        raise(ErrorCode::DivisionByZero);
    GridArea preview; // no area, and so no cells, unless the window is maximized now
    if (context.isMaximized())
        preview = GridArea{0, 0, context.preview.scaleWidth(), context.preview.scaleHeight()};
    const GridArea page{roundHalfEven<std::int32_t>(printer.scaleLeft()),
                        roundHalfEven<std::int32_t>(static_cast<double>(printer.scaleTop()) + headerHeight),
                        printer.scaleWidth(), static_cast<double>(printer.scaleHeight()) - headerHeight};
    const CollectionPtr references = filmBox.attribute(PrintTag::ReferencedImageBoxSequence).asSequence();
    const FilmCellStyle style = cellStyleOf(context, filmBox, page);

    std::int32_t reference = 0;
    for (std::size_t line = 1; line <= layout.cellsPerLine.size(); ++line) {
        for (int cell = 1; cell <= cellsIn(layout, line - 1); ++cell) {
            CellPlacement placement;
            placement.reference = checkedNarrow<std::int16_t>(++reference);
            placement.page = cellOf(page, layout, int(line), cell);
            placement.preview = cellOf(preview, layout, int(line), cell);
            renderImageCell(context, *references, placement, style);
        }
    }
}

void printFilmBox(const std::string& filmBoxUid, const PrintContext& context)
{
    context.preview.clear();
    const DataSetPtr filmBox = context.store->item(filmBoxUid);
    const DataSetPtr filmSession
        = DatasetFromSequence(*context.store, filmBox->attribute(PrintTag::ReferencedFilmSessionSequence), 1);
    const FilmLayout layout = DecodeFormat(filmBox->attribute(PrintTag::ImageDisplayFormat).asText());
    setUpDocument(context, *filmBox, filmSession);
    const std::int32_t headerHeight = printHeaderBand(context);
    printCells(context, *filmBox, layout, headerHeight);
    context.printer.endDocument();
    fileSystem().ensureFolder(programPath("images"));
}

// The film in the shape the page code reads: a store with the session, the film box and its
// image boxes, whose image items carry their pictures.
CollectionPtr storeOf(const FilmToPrint& film)
{
    auto store = makeCollection();
    auto session = std::make_shared<DataSet>(film.filmSession);
    session->setSopInstanceUid("session");
    store->add(session);
    auto filmBox = std::make_shared<DataSet>(film.filmBox);
    filmBox->setSopInstanceUid("film");
    auto sessionReference = makeCollection();
    auto sessionItem = sessionReference->addNew();
    sessionItem->add(ReferencedSopClassUidTag, std::string(SopClass::BasicFilmSession));
    sessionItem->add(ReferencedSopInstanceUidTag, std::string("session"));
    filmBox->add(PrintTag::ReferencedFilmSessionSequence, sessionReference);
    auto references = makeCollection();
    for (std::size_t k = 0; k < film.imageBoxes.size(); ++k) {
        const ImageBoxToPrint& box = film.imageBoxes[k];
        auto imageBox = std::make_shared<DataSet>(box.attributes);
        const std::string uid = "box." + std::to_string(k);
        imageBox->setSopInstanceUid(uid);
        if (const DataSetPtr image = imageOf(box.attributes); image && box.picture) {
            auto withPicture = std::make_shared<DataSet>(*image);
            withPicture->setPreparedPicture(box.picture);
            auto sequence = makeCollection();
            sequence->add(withPicture);
            imageBox->add(imageSequenceOf(box.attributes).tag(), sequence);
        }
        store->add(imageBox);
        auto reference = references->addNew();
        reference->add(ReferencedSopClassUidTag, std::string(SopClass::BasicGrayscaleImageBox));
        reference->add(ReferencedSopInstanceUidTag, uid);
    }
    filmBox->add(PrintTag::ReferencedImageBoxSequence, references);
    store->add(filmBox);
    return store;
}

} // namespace

std::shared_ptr<const FilmPage> printFilm(const FilmToPrint& film, const FilmJobSettings& settings,
                                          PrinterDevice& printer)
{
    NullPreviewSurface preview;
    const Configuration& configuration = settings.configuration;
    const PrintContext context{storeOf(film), configuration.settings, configuration.headerLeft,
                               configuration.headerRight, settings.lut, printer, preview, [] { return false; }};
    try {
        selectIfListed(printer, configuration.settings.Printer);
        printFilmBox("film", context);
    } catch (...) {
        ignoreErrors({[&] { printer.abortDocument(); }});
        throw;
    }
    return nullptr;
}

std::uint16_t DoPrint(const std::string& filmBoxUid, const PrintContext& context)
{
    PrinterDevice& printer = context.printer;
    std::string previousPrinter;
    try {
        previousPrinter = printer.selectedPrinter();
        selectIfListed(printer, context.settings.Printer);
        printFilmBox(filmBoxUid, context);
        selectIfListed(printer, previousPrinter);
        return DimseStatus::Success;
    } catch (...) {
        const ErrorInfo error = currentErrorInfo();
        LogError(error.number, error.description, Label);
    }
    // A failed job leaves nothing behind for the next one.
    trapAndLog(Label, [&] { printer.abortDocument(); });
    trapAndLog(Label, [&] { selectIfListed(printer, previousPrinter); });
    return DimseStatus::ProcessingFailure;
}

std::uint16_t PrintFilmSession(const DataSet& filmSession, const PrintContext& context)
{
    std::vector<std::string> filmBoxes;
    if (const auto& children = filmSession.children()) {
        for (const auto& child : *children) {
            const std::string uid = child->sopInstanceUid();
            if (child->sopClassUid() == SopClass::BasicFilmBox && context.store->find(uid))
                filmBoxes.push_back(uid);
        }
    }
    if (filmBoxes.empty())
        return DimseStatus::FilmSessionHasNoFilmBox;
    std::uint16_t status = DimseStatus::Success;
    for (const auto& uid : filmBoxes) {
        if (DoPrint(uid, context) != DimseStatus::Success)
            status = DimseStatus::ProcessingFailure;
    }
    return status;
}

} // namespace kestrova
