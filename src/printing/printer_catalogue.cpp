#include "printing/printer_catalogue.h"

#include "printing/film_pdf_printer.h"
#include "printing/system_printer.h"

#include "core/errors.h"

#include <QPrinterInfo>

#include <algorithm>

namespace kestrova {
namespace {

bool listed(const PrinterCatalogue& printers, const std::string& name)
{
    const auto names = printers.printerNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string fromQt(const QString& text) { return text.toLocal8Bit().toStdString(); }

std::string usableSystemDefault()
{
    const QPrinterInfo system = QPrinterInfo::defaultPrinter();
    if (system.isNull())
        return BuiltInPdfPrinterName;
    const std::string name = fromQt(system.printerName());
    try {
        SystemPrinter(name).capabilities();
        return name;
    } catch (const AppError&) {
        return BuiltInPdfPrinterName;
    }
}

} // namespace

std::unique_ptr<PrinterDevice> openJobPrinter(const PrinterCatalogue& printers, const std::string& wanted)
{
    return printers.open(listed(printers, wanted) ? wanted : printers.defaultPrinter());
}

InstalledPrinters::InstalledPrinters()
    : default_(usableSystemDefault())
{
}

std::vector<std::string> InstalledPrinters::printerNames() const
{
    std::vector<std::string> names;
    for (const auto& info : QPrinterInfo::availablePrinters())
        names.push_back(fromQt(info.printerName()));
    names.emplace_back(BuiltInPdfPrinterName);
    return names;
}

std::unique_ptr<PrinterDevice> InstalledPrinters::open(const std::string& name) const
{
    if (name == BuiltInPdfPrinterName)
        return std::make_unique<FilmPdfPrinter>();
    if (name != default_ && !listed(*this, name))
        raise(ErrorCode::InvalidArgument, "No printer named \"" + name + "\"");
    return std::make_unique<SystemPrinter>(name);
}

} // namespace kestrova
