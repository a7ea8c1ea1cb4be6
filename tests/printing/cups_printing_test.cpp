// CUPS queues through libcups against a real CUPS scheduler of the test's own, with cups-pdf
// queues standing in for paper printers.
#include "pdf_tools.h"

#include "printing/film_pdf_printer.h"
#include "printing/printer_catalogue.h"

#include "core/errors.h"
#include "support/cups_server.h"
#include "support/temp_folder.h"

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

std::size_t keptFilms(const test::TempProgramFolder& folder)
{
    std::error_code ec;
    const std::filesystem::directory_iterator films(folder / "films", ec);
    return ec ? 0 : static_cast<std::size_t>(std::distance(begin(films), end(films)));
}

// The page file is kept and goes to the queue as one job, followed to its end (that the queue
// receives the kept file as it is, the end-to-end tests see).
TEST_F(CupsPrinting, FilmPageReachesTheDefaultQueueAsOnePdfJobAndIsKept)
{
    const test::TempProgramFolder folder;
    const InstalledPrinters printers;
    EXPECT_EQ(printers.printerNames(), (std::vector<std::string>{TestQueue, BuiltInPdfPrinterName}));
    EXPECT_EQ(printers.defaultPrinter(), TestQueue) << "the default queue";
    const auto printer = printers.open(TestQueue);
    const QSizeF area = printer->metrics(PageSetup{}, QFont()).printableArea;
    EXPECT_GT(area.height(), area.width()) << "portrait";
    EXPECT_EQ(printer->capabilities().filmSizes.count("A4"), 1u) << "the film sizes the queue offers";
    EXPECT_EQ(printer->capabilities().dotsPerInch, 300) << "its printer-resolution-default: cups-pdf's DefaultResolution";
    EXPECT_EQ(printer->state(), PrinterState{}) << "idle";
    // On a thread of its own, as an association prints.
    PrintedFilm printed;
    std::thread([&] { printed = printer->print(PageSetup{}, drawFilmPage); }).join();
    ASSERT_TRUE(printed.job);
    EXPECT_GT(printed.job->id(), 0);
    EXPECT_EQ(printed.file.parent_path(), folder / "films");
    EXPECT_EQ(test::pdfInfo(printed.file).pages, 1);

    ASSERT_TRUE(cups().waitUntilNoPendingJobs(60s)) << cups().logTail();
    EXPECT_EQ(printed.job->state(), JobState::Completed);
}

// A page that fails half way, and a queue removed after its job began, send nothing and keep no
// film; the page must not go to another queue either. The default queue stays the one of the
// start, so a job for it fails rather than go elsewhere.
TEST_F(CupsPrinting, AFailedPageOrAVanishedQueueSendsNothing)
{
    const test::TempProgramFolder folder;
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
    // No longer listed, but the default of the start.
    devices.push_back(startedWithItAsDefault.open(jobPrinterName(startedWithItAsDefault, vanishing)));
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
    EXPECT_EQ(keptFilms(folder), 0u);
    EXPECT_FALSE(devices.front()->state().present);
    EXPECT_THROW(printers.open(vanishing)->capabilities(), AppError) << "a removed queue could still be used";
}

} // namespace
} // namespace kestrova
