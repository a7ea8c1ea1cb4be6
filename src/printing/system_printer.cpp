#include "printing/system_printer.h"

#include "printing/page_content.h"
#include "printing/printer_output.h"

#include "core/errors.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace kestrova {
namespace {

QString toQt(const std::string& text) { return QString::fromLocal8Bit(text); }

// QPrinter quietly falls back to the default queue, or to a PDF writer without a file, when
// the queue it was given is gone; that must be an error, not a page printed elsewhere or lost.
std::unique_ptr<QPrinter> makeSystemPrinter(const std::string& name)
{
    auto printer = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(toQt(name)), QPrinter::HighResolution);
    if (printer->outputFormat() != QPrinter::NativeFormat || !printer->isValid() || printer->printerName() != toQt(name))
        raisePrinterUnusable(name, "the printing system does not offer it");
    printer->setDocName(QString::fromUtf8(DocumentTitle));
    printer->setCreator(QString::fromUtf8(DocumentCreator));
    return printer;
}

// The page sizes the queue offers; none when it names none.
std::vector<PaperSize> paperSizes(const std::string& name)
{
    std::vector<PaperSize> papers;
    for (const QPageSize& page : QPrinterInfo::printerInfo(toQt(name)).supportedPageSizes()) {
        const QSizeF size = page.size(QPageSize::Millimeter);
        papers.push_back(PaperSize{size.width(), size.height()});
    }
    return papers;
}

} // namespace

SystemPrinter::SystemPrinter(std::string name)
    : name_(std::move(name))
{
}

SystemPrinter::~SystemPrinter() = default;

QPrinter& SystemPrinter::printer() const
{
    if (!printer_)
        printer_ = makeSystemPrinter(name_);
    return *printer_;
}

QPrinter& SystemPrinter::printerFor(const PageSetup& setup) const
{
    printer().setPageOrientation(qtOrientation(setup.orientation));
    return printer();
}

PrinterCapabilities SystemPrinter::capabilities() const
{
    PrinterCapabilities capabilities;
    capabilities.dotsPerInch = printer().resolution();
    capabilities.largestPaper = largestOf(paperSizes(name_));
    return capabilities;
}

PrinterMetrics SystemPrinter::metrics(const PageSetup& setup, const QFont& font) const
{
    return printerMetrics(printerFor(setup), font);
}

PrintedFilm SystemPrinter::print(const PageSetup& setup, const PagePaint& paint)
{
    PageContent page(PageContent::PictureForm::Pixels);
    paint(page);
    QPrinter& printer = printerFor(setup);
    printer.setCopyCount(setup.copies);
    printer.setColorMode(page.grayscale() ? QPrinter::GrayScale : QPrinter::Color);
    paintPages(printer, page, 1, name_);
    return PrintedFilm{{}, 1, setup, nullptr};
}

PrintedFilm SystemPrinter::reprint(const PrintedFilm&)
{
    raise(ErrorCode::InvalidArgument, "Printer \"" + name_ + "\" prints no kept film");
}

PrinterState SystemPrinter::state() const
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(toQt(name_));
    if (info.isNull())
        return PrinterState{false, false, false, {}};
    return PrinterState{true, true, info.state() == QPrinter::Error, {}};
}

} // namespace kestrova
