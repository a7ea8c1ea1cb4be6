#include "film_print.h"

#include "core/error_log.h"
#include "core/errors.h"
#include "core/file_system.h"
#include "core/program_folder.h"
#include "core/rounding.h"
#include "core/steps.h"
#include "render/display_format.h"
#include "render/film_lookup.h"
#include "render/header_band.h"
#include "render/image_cell.h"
#include "toolkit/dimse_status.h"
#include "toolkit/print_tags.h"
#include "toolkit/sop_classes.h"

#include <algorithm>

namespace kestrova {

namespace {

constexpr const char* Label = "DoPrint";

struct GridSize {
    std::int16_t columns = 0;
    std::int16_t rows = 0;
};

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

void setUpDocument(const PrintContext& context, const DataSet& filmBox, const DataSetPtr& filmSession)
{
    PrinterDevice& printer = context.printer;
    printer.setCopies(copiesOf(filmSession));
    printer.setFontName(context.settings.Fontname);
    printer.setFontSize(static_cast<float>(context.settings.Fontsize));
    printer.setOrientation(orientationOf(filmBox));
}

void printCells(const PrintContext& context, const DataSetCollection& references, const GridSize& grid,
                std::int32_t headerHeight)
{
    PrinterDevice& printer = context.printer;
    std::int32_t previewWidth = 0;
    std::int32_t previewHeight = 0;
    if (context.isMaximized()) {
        previewWidth = nearestQuotient(context.preview.scaleWidth(), grid.columns);
        previewHeight = nearestQuotient(context.preview.scaleHeight(), grid.rows);
    }
    const auto top = roundHalfEven<std::int32_t>(static_cast<double>(printer.scaleTop()) + headerHeight);
    const auto left = roundHalfEven<std::int32_t>(printer.scaleLeft());
    const auto cellWidth = nearestQuotient(printer.scaleWidth(), grid.columns);
    const auto cellHeight = nearestQuotient(static_cast<double>(printer.scaleHeight()) - headerHeight, grid.rows);

    ImageList imageList;
    for (int row = 1; row <= grid.rows; ++row) {
        for (int column = 1; column <= grid.columns; ++column) {
            CellPlacement placement;
            placement.reference = checkedNarrow<std::int16_t>((row - 1) * grid.columns + column);
            placement.page = {cellOrigin(cellWidth, column, left), cellOrigin(cellHeight, row, top), cellWidth,
                              cellHeight};
            placement.preview = {cellOrigin(previewWidth, column, 0), cellOrigin(previewHeight, row, 0),
                                 previewWidth, previewHeight};
            renderImageCell(context, references, placement, imageList);
        }
    }
}

void printFilmBox(const std::string& filmBoxUid, const PrintContext& context)
{
    context.preview.clear();
    const DataSetPtr filmBox = context.store->item(filmBoxUid);
    const CollectionPtr references = filmBox->attribute(PrintTag::ReferencedImageBoxSequence).asSequence();
    const DataSetPtr filmSession
        = DatasetFromSequence(*context.store, filmBox->attribute(PrintTag::ReferencedFilmSessionSequence), 1);
    GridSize grid;
    DecodeFormat(filmBox->attribute(PrintTag::ImageDisplayFormat).asText(), grid.columns, grid.rows);
    setUpDocument(context, *filmBox, filmSession);
    const std::int32_t headerHeight = printHeaderBand(context);
    printCells(context, *references, grid, headerHeight);
    context.printer.endDocument();
    fileSystem().ensureFolder(programPath("images"));
    context.letEventsRun();
}

} // namespace

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
