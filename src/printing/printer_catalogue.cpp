#include "printing/printer_catalogue.h"

#include "printing/film_pdf_printer.h"

#include "core/errors.h"

#include <algorithm>

namespace kestrova {
namespace {

bool listed(const PrinterCatalogue& printers, const std::string& name)
{
    const auto names = printers.printerNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string usableSystemDefault(const std::shared_ptr<QueueDescriptions>& descriptions)
{
    const std::string name = systemDefaultPrinter();
    if (name.empty())
        return BuiltInPdfPrinterName;
    try {
        openSystemPrinter(name, descriptions)->capabilities();
        return name;
    } catch (const AppError&) {
        return BuiltInPdfPrinterName;
    }
}

} // namespace

std::string jobPrinterName(const PrinterCatalogue& printers, const std::string& wanted)
{
    return listed(printers, wanted) ? wanted : printers.defaultPrinter();
}

InstalledPrinters::InstalledPrinters()
    : descriptions_(keptQueueDescriptions()), default_(usableSystemDefault(descriptions_))
{
}

std::vector<std::string> InstalledPrinters::printerNames() const
{
    std::vector<std::string> names = systemPrinterNames();
    names.emplace_back(BuiltInPdfPrinterName);
    return names;
}

std::unique_ptr<PrinterDevice> InstalledPrinters::open(const std::string& name) const
{
    if (name == BuiltInPdfPrinterName)
        return std::make_unique<FilmPdfPrinter>();
    return openSystemPrinter(name, descriptions_);
}

} // namespace kestrova
