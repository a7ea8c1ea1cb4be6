// The system printers against a real CUPS scheduler of the test's own, with cups-pdf queues
// standing in for paper printers.
#include "pdf_tools.h"

#include "printing/film_pdf_printer.h"
#include "printing/printer_catalogue.h"

#include "core/errors.h"
#include "support/cups_server.h"

#include <gtest/gtest.h>

#include <QColor>

#include <thread>

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using CupsPrinting = test::CupsTest;
const std::string TestQueue = test::CupsTest::Queue;

Picture grayPicture()
{
    QImage image(32, 32, QImage::Format_Grayscale8);
    image.fill(QColor(90, 90, 90));
    return Picture{image, 2540, 2540, nullptr};
}

void drawFilmPage(PageCanvas& page)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(240);
    page.drawText(QPointF(0, 240), font, "Kestrova CUPS header");
    page.drawPicture(QRectF(0, 1440, 2880, 2880), grayPicture());
    page.drawText(QPointF(0, 480), font, "Second line");
}

int pixelsBetween(const QImage& page, int darkest, int lightest)
{
    int count = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            count += qGray(page.pixel(x, y)) >= darkest && qGray(page.pixel(x, y)) <= lightest ? 1 : 0;
    return count;
}

// cups-pdf turns the job into PostScript and back, which loses the text's character codes
// (pdftotext reads symbols), so the page is checked by its ink.
TEST_F(CupsPrinting, FilmPageReachesTheDefaultQueueAsOnePage)
{
    const auto filesBefore = cups().pdfFiles().size();
    const InstalledPrinters printers;
    EXPECT_EQ(printers.printerNames(), (std::vector<std::string>{TestQueue, BuiltInPdfPrinterName}));
    EXPECT_EQ(printers.defaultPrinter(), TestQueue) << "the default queue";
    const auto printer = printers.open(TestQueue);
    const QSizeF area = printer->metrics(PageSetup{}, QFont()).printableArea;
    EXPECT_GT(area.height(), area.width()) << "portrait";
    EXPECT_TRUE(printer->capabilities().filmSizes.empty()) << "the printer's own paper";
    // On a thread of its own, as an association prints.
    std::thread([&] { printer->print(PageSetup{}, drawFilmPage); }).join();

    ASSERT_TRUE(cups().waitUntilNoPendingJobs(60s)) << cups().logTail();
    const auto files = cups().pdfFiles();
    ASSERT_EQ(files.size(), filesBefore + 1) << cups().logTail();
    const auto& printed = files.back();
    EXPECT_EQ(test::pdfInfo(printed).pages, 1);
    constexpr int dpi = 50;
    const QImage page = test::renderGray(printed, dpi);
    // The two-inch square of grey 90, and some black text besides.
    EXPECT_GT(pixelsBetween(page, 80, 100), 2 * dpi * 2 * dpi * 8 / 10);
    EXPECT_GT(pixelsBetween(page, 0, 60), 50);
}

// Qt's own QPrinter::abort() cannot take back a CUPS page, and a queue removed after its job
// began must not send the page to another one: neither job may reach the scheduler. The default
// queue stays the one of the start, so a job for it fails rather than go elsewhere.
TEST_F(CupsPrinting, AFailedPageOrAVanishedQueueSendsNothing)
{
    const auto jobsBefore = cups().allJobs().size();
    const InstalledPrinters printers; // before the queue below is added
    EXPECT_THROW(printers.open(TestQueue)->print(PageSetup{},
                                                 [](PageCanvas& page) {
                                                     drawFilmPage(page);
                                                     raise(ErrorCode::InvalidPicture);
                                                 }),
                 AppError);

    const std::string vanishing = "KestrovaVanishingQueue";
    cups().addPdfQueue(vanishing);
    cups().setDefaultQueue(vanishing);
    const InstalledPrinters startedWithItAsDefault;
    cups().setDefaultQueue(TestQueue);
    std::vector<std::unique_ptr<PrinterDevice>> devices;
    devices.push_back(printers.open(vanishing));
    cups().removeQueue(vanishing);
    devices.push_back(openJobPrinter(startedWithItAsDefault, vanishing)); // no longer listed: the default of the start
    for (const auto& device : devices) {
        try {
            device->print(PageSetup{}, drawFilmPage);
            ADD_FAILURE() << "printing on a removed queue raised nothing";
        } catch (const AppError& error) {
            EXPECT_EQ(error.code(), ErrorCode::PathFileAccess);
            EXPECT_NE(error.description().find(vanishing), std::string::npos) << error.description();
        }
    }
    EXPECT_EQ(cups().allJobs().size(), jobsBefore);
    try {
        printers.open(vanishing);
        ADD_FAILURE() << "a removed queue could still be selected";
    } catch (const AppError& error) {
        EXPECT_EQ(error.code(), ErrorCode::InvalidArgument);
    }
}

} // namespace
} // namespace kestrova
