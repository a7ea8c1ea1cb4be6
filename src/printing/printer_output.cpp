#include "printing/printer_output.h"

#include "printing/page_units.h"

#include "core/errors.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

namespace kestrova {

QPageLayout::Orientation qtOrientation(Orientation orientation)
{
    return orientation == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

void nameDocument(QPrinter& printer)
{
    printer.setDocName(QStringLiteral("Kestrova film"));
    printer.setCreator(QStringLiteral("Kestrova"));
}

PrinterMetrics printerMetrics(const QPrinter& printer, const QFont& font)
{
    const QFontMetricsF metrics(font, &printer); // takes the printer's resolution, loads nothing yet
    return PrinterMetrics{printableSizeTwips(printer.pageLayout()),
                          FontMetrics{[metrics] { return metrics.ascent(); }, [metrics] { return metrics.height(); },
                                      [metrics](const QString& text) { return metrics.horizontalAdvance(text); }}};
}

void paintPages(QPrinter& printer, const PageContent& page, int pages, const std::string& printerName)
{
    printer.setColorMode(page.grayscale() ? QPrinter::GrayScale : QPrinter::Color);
    QPainter painter;
    if (!painter.begin(&printer))
        raisePrinterUnusable(printerName, "it cannot be opened for printing");
    const double twip = printer.resolution() / TwipsPerInch;
    painter.scale(twip, twip);
    painter.setRenderHint(QPainter::LosslessImageRendering);
    page.paint(painter);
    for (int sheet = 2; sheet <= pages; ++sheet) {
        if (!printer.newPage())
            raisePrinterUnusable(printerName, "no further page could be begun");
        page.paint(painter);
    }
    if (!painter.end())
        raisePrinterUnusable(printerName, "the page could not be sent");
}

void raisePrinterUnusable(const std::string& printerName, const std::string& reason)
{
    raise(ErrorCode::PathFileAccess, "Printer \"" + printerName + "\" cannot be used: " + reason);
}

} // namespace kestrova
