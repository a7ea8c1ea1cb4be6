// The Qt printer device on the built-in printer: what reaches the film PDF, read back
// with poppler-utils.
#include "pdf_tools.h"

#include "printing/film_folder.h"
#include "printing/qt_printer_device.h"

#include "core/errors.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QColor>

#include <regex>

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using test::TempProgramFolder;

constexpr double TwipsPerMm = 1440.0 / 25.4;
constexpr double MarginTwips = 360; // a quarter inch
constexpr int Dpi = 50;             // of the rendered page

Picture flatGray(int width, int height, int level)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(QColor(level, level, level));
    return Picture{image, 2540, 2540, nullptr};
}

// Varied content, the kind an encoder would be tempted to compress with loss.
Picture colourGradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor((x * 255) / width, (y * 255) / height, ((x + y) * 37) % 256));
    return Picture{image, 2540, 2540, nullptr};
}

// The grey level of the rendered page at a point given in twips of the printable area.
int grayAt(const QImage& page, double xTwips, double yTwips)
{
    const auto toPixel = [](double twips) { return static_cast<int>((twips + MarginTwips) * Dpi / 1440.0); };
    return qGray(page.pixel(toPixel(xTwips), toPixel(yTwips)));
}

class FilmPdfPrinting : public ::testing::Test {
protected:
    FilmPdfPrinting() { device.selectPrinter(BuiltInPdfPrinterName); }

    std::vector<fs::path> films() const
    {
        std::vector<fs::path> files;
        if (fs::is_directory(folder / "films"))
            for (const auto& entry : fs::directory_iterator(folder / "films"))
                files.push_back(entry.path());
        return files;
    }

    fs::path onlyFilm() const
    {
        const auto files = films();
        if (files.size() != 1)
            throw std::runtime_error("expected one film, found " + std::to_string(files.size()));
        return files.front();
    }

    TempProgramFolder folder;
    QtPrinterDevice device;
};

// The text lands where the position and the metrics say; the pictures are stored as they were.
TEST_F(FilmPdfPrinting, PageWithTextAndPicturesBecomesOneLosslessA4Film)
{
    device.setFontName("DejaVu Sans");
    device.setFontSize(20);
    const float width20 = device.textWidth("Kestrova");
    device.setFontSize(10);
    const float width10 = device.textWidth("Kestrova");
    EXPECT_NEAR(width20 / width10, 2.0, 0.05);
    // "Kestrova" is about 4.5 em wide, and an em of 10 pt is 200 twips.
    EXPECT_GT(width10, 700);
    EXPECT_LT(width10, 1100);
    device.setCurrentX(1440);
    device.setCurrentY(720);
    device.printLine("Kestrova");
    const float lineHeight = device.currentY() - 720;
    EXPECT_EQ(device.currentX(), 0);
    EXPECT_GT(lineHeight, 200);
    EXPECT_LT(lineHeight, 300);
    device.printLine("Below");
    device.paintPicture(flatGray(64, 64, 100), 1440, 2880, 2880, 2880);
    device.paintPicture(colourGradient(96, 48), 5760, 2880, 2880, 1440);
    device.endDocument();

    const auto film = onlyFilm();
    EXPECT_EQ(film, device.lastOutputFile());
    EXPECT_TRUE(std::regex_match(film.filename().string(), std::regex(R"(Film-\d{8}-\d{6}-\d{3}\.pdf)"))) << film;
    const auto info = test::pdfInfo(film);
    EXPECT_EQ(info.pages, 1);
    EXPECT_NE(info.pageSize.find("A4"), std::string::npos) << info.pageSize;
    auto words = test::pdfWords(film);
    ASSERT_EQ(words.size(), 2U) << test::pdfText(film);
    if (words[0].text != "Kestrova")
        std::swap(words[0], words[1]);
    EXPECT_EQ(words[1].text, "Below");
    EXPECT_NEAR(words[0].xMin * 20, 1440 + MarginTwips, 40);
    EXPECT_NEAR(words[0].yMin * 20, 720 + MarginTwips, 60);
    EXPECT_NEAR((words[0].xMax - words[0].xMin) * 20, width10, width10 * 0.05);
    EXPECT_NEAR(words[1].xMin * 20, MarginTwips, 40) << "a printed line returns to the left edge";
    EXPECT_NEAR((words[1].yMin - words[0].yMin) * 20, lineHeight, 10);

    const auto images = test::pdfImages(film);
    ASSERT_EQ(images.size(), 2U);
    for (const auto& image : images) {
        EXPECT_EQ(image.encoding, "image") << "not losslessly stored";
        EXPECT_EQ(image.bitsPerComponent, 8);
    }
    const QImage page = test::renderGray(film, Dpi);
    EXPECT_NEAR(grayAt(page, 1440 + 1440, 2880 + 1440), 100, 3) << "inside the flat grey picture";
    EXPECT_GE(grayAt(page, 5000, 4000), 250) << "between the pictures";
    EXPECT_GE(grayAt(page, 1440 + 1440, 2880 + 2880 + 300), 250) << "below the grey picture";
}

// Paper copies are the printer's; a film file holds each copy as a page.
TEST_F(FilmPdfPrinting, CopiesArePagesOnThePaperSetWithFilledRectangles)
{
    device.setPaperSize(355.6, 431.8); // 14 x 17 inches
    device.setCopies(3);
    device.fillRectangle(0, 0, 2880, 2880, 0);
    device.paintPicture(flatGray(16, 16, 100), 5760, 5760, 2880, 2880);
    device.endDocument();

    const auto info = test::pdfInfo(onlyFilm());
    EXPECT_EQ(info.pages, 3);
    EXPECT_NE(info.pageSize.find("1008 x 1224 pts"), std::string::npos) << info.pageSize;
    const QImage page = test::renderGray(onlyFilm(), Dpi);
    EXPECT_LE(grayAt(page, 1440, 1440), 5) << "inside the black rectangle";
    EXPECT_NEAR(grayAt(page, 7200, 7200), 100, 3) << "inside the picture";
    EXPECT_GE(grayAt(page, 4320, 4320), 250) << "between them";
}

// At 600 dpi one inch holds 600 pixels: a bigger picture is reduced to that, a smaller one kept.
TEST_F(FilmPdfPrinting, PicturesFinerThanThePrinterAreReducedToItsResolution)
{
    device.paintPicture(flatGray(1500, 1200, 100), 0, 0, 1440, 1440);
    device.paintPicture(flatGray(1500, 1300, 60), 2880, 0, 1440, 720);
    device.paintPicture(flatGray(500, 2000, 180), 0, 2880, 1440, 1440);
    device.endDocument();

    const auto images = test::pdfImages(onlyFilm());
    ASSERT_EQ(images.size(), 3U);
    EXPECT_EQ(std::make_pair(images[0].width, images[0].height), std::make_pair(600, 600));
    EXPECT_EQ(std::make_pair(images[1].width, images[1].height), std::make_pair(600, 300));
    EXPECT_EQ(std::make_pair(images[2].width, images[2].height), std::make_pair(500, 2000)) << "coarser one way";
    EXPECT_EQ(images[0].colour, "gray") << "a reduced gray picture stays gray";
    EXPECT_EQ(images[2].colour, "gray") << "and so does one kept as it was";
    EXPECT_NEAR(grayAt(test::renderGray(onlyFilm(), Dpi), 720, 720), 100, 3) << "the reduced picture keeps its level";
}

TEST_F(FilmPdfPrinting, EachDocumentIsItsOwnFilmAndAnAbortedOneLeavesNothing)
{
    device.endDocument();
    EXPECT_TRUE(films().empty()) << "an end with nothing drawn writes no film";
    device.setCurrentY(2000);
    device.printLine("Aborted line");
    device.paintPicture(flatGray(8, 8, 0), 0, 0, 1440, 1440);
    ASSERT_EQ(films().size(), 1U) << "the film's name is claimed at the first output";
    device.abortDocument();
    EXPECT_TRUE(films().empty());

    device.printLine("Opening job");
    device.endDocument();
    const auto first = device.lastOutputFile();
    device.printLine("Closing job");
    device.endDocument();
    EXPECT_EQ(films().size(), 2U);
    const auto words = test::pdfWords(first);
    ASSERT_EQ(words.size(), 2U) << test::pdfText(first);
    EXPECT_EQ(words[0].text, "Opening");
    EXPECT_LT(words[0].yMin, 18 + 12) << "the next document starts at the top again";
    EXPECT_TRUE(test::pdfImages(first).empty());
    EXPECT_EQ(test::pdfText(device.lastOutputFile()).find("Opening"), std::string::npos);
}

TEST(FilmFileNames, CounterKeepsNamesOfOneSecondApartAndSkipsNamesOnDisk)
{
    TempProgramFolder folder;
    const QDateTime stamp(QDate(2024, 3, 9), QTime(7, 5, 2));
    fs::create_directory(folder / "films");
    test::writeFile(folder / "films" / "Film-20240309-070502-001.pdf", "from an earlier run");

    auto first = ReservedFilmFile::reserve(stamp);
    auto second = ReservedFilmFile::reserve(stamp);
    EXPECT_EQ(first.path().filename(), "Film-20240309-070502-002.pdf");
    EXPECT_EQ(second.path().filename(), "Film-20240309-070502-003.pdf");
    first.keep();
    const auto released = second.path();
    { auto discarded = std::move(second); }
    EXPECT_FALSE(fs::exists(released)) << "a reservation not kept is given back";
    EXPECT_TRUE(fs::exists(first.path()));
}

TEST_F(FilmPdfPrinting, UnwritableFilmsFolderRaisesAtTheFirstOutputAndUnknownPrintersAreRefused)
{
    test::writeFile(folder / "films", "a file where the folder should be");
    EXPECT_THROW(device.printLine("Header"), AppError);
    try {
        device.paintPicture(flatGray(4, 4, 0), 0, 0, 100, 100);
        ADD_FAILURE() << "painted";
    } catch (const AppError& error) {
        EXPECT_EQ(error.code(), ErrorCode::PathFileAccess);
    }
    EXPECT_NO_THROW(device.endDocument());
    fs::remove(folder / "films");
    device.printLine("Header");
    device.endDocument();
    EXPECT_NE(test::pdfText(onlyFilm()).find("Header"), std::string::npos);

    EXPECT_EQ(device.printerNames().back(), BuiltInPdfPrinterName);
    EXPECT_THROW(device.selectPrinter("No Such Printer"), AppError);
    EXPECT_EQ(device.selectedPrinter(), BuiltInPdfPrinterName);
}

class FilmPageArea : public FilmPdfPrinting, public ::testing::WithParamInterface<Orientation> {};

TEST_P(FilmPageArea, PrintableAreaIsA4LessQuarterInchMarginsInTwips)
{
    const bool landscape = GetParam() == Orientation::Landscape;
    device.setOrientation(GetParam());
    const double a4Width = 210 * TwipsPerMm - 2 * MarginTwips;
    const double a4Height = 297 * TwipsPerMm - 2 * MarginTwips;
    EXPECT_EQ(device.scaleLeft(), 0);
    EXPECT_EQ(device.scaleTop(), 0);
    EXPECT_NEAR(device.scaleWidth(), landscape ? a4Height : a4Width, 1);
    EXPECT_NEAR(device.scaleHeight(), landscape ? a4Width : a4Height, 1);

    // A black picture over exactly that area blackens the page up to the margins.
    device.paintPicture(flatGray(16, 16, 0), 0, 0, device.scaleWidth(), device.scaleHeight());
    device.endDocument();
    const QImage page = test::renderGray(onlyFilm(), Dpi);
    EXPECT_EQ(page.width() > page.height(), landscape);
    const int margin = static_cast<int>(MarginTwips * Dpi / 1440); // 12 pixels
    const int right = page.width() - 1;
    const int bottom = page.height() - 1;
    EXPECT_GE(qGray(page.pixel(margin - 4, margin - 4)), 250);
    EXPECT_LE(qGray(page.pixel(margin + 3, margin + 3)), 5);
    EXPECT_LE(qGray(page.pixel(right - margin - 3, bottom - margin - 3)), 5);
    EXPECT_GE(qGray(page.pixel(right - margin + 4, bottom - margin + 4)), 250);
}

INSTANTIATE_TEST_SUITE_P(Orientations, FilmPageArea, ::testing::Values(Orientation::Portrait, Orientation::Landscape));

} // namespace
} // namespace kestrova
