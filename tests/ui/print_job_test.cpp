#include "print_service/print_service.h"
#include "printing/qt_printer_device.h"
#include "toolkit/dicom_log.h"
#include "ui/dicom_log_view.h"
#include "ui/main_window.h"
#include "ui/preview_box.h"
#include "ui/startup.h"
#include "test_film/test_film.h"
#include "ui_test_support.h"

#include <QTest>

#include <atomic>
#include <filesystem>
#include <thread>

namespace kestrova::test {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    if (fs::is_directory(folder))
        for (const auto& entry : fs::directory_iterator(folder))
            files.push_back(entry.path());
    return files;
}

bool showsOnlyBackground(const QImage& image)
{
    const QRgb background = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            if (image.pixel(x, y) != background)
                return false;
    return true;
}

class PrintJobTest : public UiTest {
protected:
    PrintJobTest()
    {
        writeFile(folder / "Left.ini", "Kestrova Test Clinic\r\n");
        writeSettings("Printer=Kestrova PDF\r\n");
    }

    // Sends the job from another thread while this one serves the window, as in the program.
    TestFilmResult sendFilm()
    {
        TestFilmResult result;
        std::atomic<bool> done = false;
        std::thread modality([&] {
            FilmRequest film;
            film.images = testPattern(64);
            result = sendTestFilm("127.0.0.1", port, film);
            done = true;
        });
        const bool finished = QTest::qWaitFor([&] { return done.load(); }, 60000);
        modality.join();
        EXPECT_TRUE(finished);
        return result;
    }

    QtPrinterDevice printer;
};

TEST_F(PrintJobTest, FilmSentToTheProgramIsPrintedPreviewedAndLogged)
{
    const auto window = Main(configuration, printer);
    ASSERT_TRUE(window);
    window->open();
    ASSERT_TRUE(window->isMaximized());

    const TestFilmResult result = sendFilm();
    ASSERT_TRUE(result.printed) << result.failure << "\n" << folder.errorLog();
    EXPECT_EQ(result.statuses, (std::vector<std::uint16_t>(7, 0)));

    const auto films = filesIn(folder / "films");
    ASSERT_EQ(films.size(), 1u);
    EXPECT_EQ(films.front().extension(), ".pdf");
    EXPECT_EQ(readFile(films.front()).substr(0, 5), "%PDF-");
    EXPECT_FALSE(showsOnlyBackground(control<PreviewBox>(*window, "pBox").image()));

    // The view mirrors the log once the association's last entries have come in.
    const auto logText = [&] { return QString::fromLocal8Bit(logTextForView(window->service().log())); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return control<DicomLogView>(*window, "Log").toPlainText() == logText(); }, 5000));
    const QString shown = control<DicomLogView>(*window, "Log").toPlainText();
    EXPECT_EQ(shown, logText());
    EXPECT_TRUE(shown.contains("N-ACTION")) << shown.toStdString();
    EXPECT_EQ(folder.errorLog(), "");
}

} // namespace
} // namespace kestrova::test
