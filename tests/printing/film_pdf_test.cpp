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
constexpr double A4WidthTwips = 210 * TwipsPerMm;
constexpr double A4HeightTwips = 297 * TwipsPerMm;

Picture pictureOf(const QImage& image) { return Picture{image, 2540, 2540}; }

QImage flatGray(int width, int height, int level)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(QColor(level, level, level));
    return image;
}

// Varied content, the kind an encoder would be tempted to compress with loss.
QImage colourGradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor((x * 255) / width, (y * 255) / height, ((x + y) * 37) % 256));
    return image;
}

// The grey level of the rendered page at a point given in twips of the printable area.
int grayAt(const QImage& page, double xTwips, double yTwips, int dpi)
{
    const auto toPixel = [dpi](double twips) { return static_cast<int>((twips + MarginTwips) * dpi / 1440.0); };
    return qGray(page.pixel(toPixel(xTwips), toPixel(yTwips)));
}

template <typename Action>
void expectAppError(ErrorCode expected, Action&& action)
{
    try {
        action();
        ADD_FAILURE() << "no error raised";
    } catch (const AppError& error) {
        EXPECT_EQ(error.code(), expected) << error.description();
    }
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

TEST_F(FilmPdfPrinting, PageWithTextAndPicturesBecomesOneLosslessA4Film)
{
    device.setFontSize(12);
    device.printLine("Kestrova left header");
    device.printLine("Second header line");
    device.paintPicture(pictureOf(flatGray(64, 64, 100)), 1440, 2880, 2880, 2880);
    device.paintPicture(pictureOf(colourGradient(96, 48)), 5760, 2880, 2880, 1440);
    device.endDocument();

    const auto film = onlyFilm();
    EXPECT_EQ(film, device.lastOutputFile());
    EXPECT_TRUE(std::regex_match(film.filename().string(), std::regex(R"(Film-\d{8}-\d{6}-\d{3}\.pdf)")))
        << film.filename();

    const auto info = test::pdfInfo(film);
    EXPECT_EQ(info.pages, 1);
    EXPECT_NE(info.pageSize.find("A4"), std::string::npos) << info.pageSize;

    const auto text = test::pdfText(film);
    EXPECT_NE(text.find("Kestrova left header"), std::string::npos) << text;
    EXPECT_NE(text.find("Second header line"), std::string::npos) << text;

    const auto images = test::pdfImages(film);
    ASSERT_EQ(images.size(), 2U);
    for (const auto& image : images) {
        EXPECT_EQ(image.encoding, "image") << "not losslessly stored";
        EXPECT_EQ(image.bitsPerComponent, 8);
    }

    constexpr int dpi = 50;
    const QImage page = test::renderGray(film, dpi);
    EXPECT_NEAR(grayAt(page, 1440 + 1440, 2880 + 1440, dpi), 100, 3) << "inside the flat grey picture";
    EXPECT_GE(grayAt(page, 5000, 4000, dpi), 250) << "between the pictures";
    EXPECT_GE(grayAt(page, 1440 + 1440, 2880 + 2880 + 300, dpi), 250) << "below the grey picture";
}

// Paper copies are the printer's; a film file holds each copy as a page.
TEST_F(FilmPdfPrinting, CopiesArePagesOnThePaperSetWithFilledRectangles)
{
    device.setPaperSize(355.6, 431.8); // 14 x 17 inches
    device.setCopies(3);
    device.fillRectangle(0, 0, 2880, 2880, 0);
    device.paintPicture(pictureOf(flatGray(16, 16, 100)), 5760, 5760, 2880, 2880);
    device.endDocument();

    const auto film = onlyFilm();
    const auto info = test::pdfInfo(film);
    EXPECT_EQ(info.pages, 3);
    EXPECT_NE(info.pageSize.find("1008 x 1224 pts"), std::string::npos) << info.pageSize;
    constexpr int dpi = 50;
    const QImage page = test::renderGray(film, dpi);
    EXPECT_LE(grayAt(page, 1440, 1440, dpi), 5) << "inside the black rectangle";
    EXPECT_NEAR(grayAt(page, 7200, 7200, dpi), 100, 3) << "inside the picture";
    EXPECT_GE(grayAt(page, 4320, 4320, dpi), 250) << "between them";
}

TEST_F(FilmPdfPrinting, PageOfGrayPicturesKeepsThemGray)
{
    device.printLine("Gray page");
    device.paintPicture(pictureOf(flatGray(64, 64, 100)), 0, 1440, 2880, 2880);
    device.endDocument();

    const auto images = test::pdfImages(onlyFilm());
    ASSERT_EQ(images.size(), 1U);
    EXPECT_EQ(images[0].colour, "gray");
    EXPECT_EQ(images[0].bitsPerComponent, 8);
    EXPECT_EQ(images[0].encoding, "image");
}

// At 600 dpi one inch holds 600 pixels: a bigger picture is reduced to that, a smaller one kept.
TEST_F(FilmPdfPrinting, PicturesFinerThanThePrinterAreReducedToItsResolution)
{
    device.paintPicture(pictureOf(flatGray(1500, 1200, 100)), 0, 0, 1440, 1440);
    device.paintPicture(pictureOf(flatGray(1500, 1300, 60)), 2880, 0, 1440, 720);
    device.paintPicture(pictureOf(flatGray(500, 2000, 180)), 0, 2880, 1440, 1440);
    device.endDocument();

    const auto images = test::pdfImages(onlyFilm());
    ASSERT_EQ(images.size(), 3U);
    EXPECT_EQ(std::make_pair(images[0].width, images[0].height), std::make_pair(600, 600));
    EXPECT_EQ(std::make_pair(images[1].width, images[1].height), std::make_pair(600, 300));
    EXPECT_EQ(std::make_pair(images[2].width, images[2].height), std::make_pair(500, 2000)) << "coarser one way";
    EXPECT_EQ(images[0].colour, "gray") << "a reduced gray picture stays gray";

    constexpr int dpi = 50;
    const QImage page = test::renderGray(onlyFilm(), dpi);
    EXPECT_NEAR(grayAt(page, 720, 720, dpi), 100, 3) << "the reduced picture keeps its level";
}

TEST_F(FilmPdfPrinting, EachDocumentIsItsOwnFilm)
{
    device.printLine("Opening job");
    device.endDocument();
    const auto first = device.lastOutputFile();
    device.printLine("Closing job");
    device.endDocument();
    const auto second = device.lastOutputFile();

    EXPECT_NE(first, second);
    EXPECT_EQ(films().size(), 2U);
    EXPECT_NE(test::pdfText(first).find("Opening job"), std::string::npos);
    const auto secondText = test::pdfText(second);
    EXPECT_NE(secondText.find("Closing job"), std::string::npos);
    EXPECT_EQ(secondText.find("Opening job"), std::string::npos);
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

TEST_F(FilmPdfPrinting, AbortedDocumentLeavesNoFilmAndNothingForTheNext)
{
    device.setCurrentY(2000);
    device.printLine("Aborted line");
    device.paintPicture(pictureOf(flatGray(8, 8, 0)), 0, 0, 1440, 1440);
    ASSERT_EQ(films().size(), 1U) << "the film's name is claimed at the first output";
    device.abortDocument();
    EXPECT_TRUE(films().empty());

    device.printLine("Next job");
    device.endDocument();
    const auto film = onlyFilm();
    const auto words = test::pdfWords(film);
    ASSERT_EQ(words.size(), 2U) << test::pdfText(film);
    EXPECT_EQ(words[0].text, "Next");
    EXPECT_LT(words[0].yMin, 18 + 12) << "the next document starts at the top again";
    EXPECT_TRUE(test::pdfImages(film).empty());
}

TEST_F(FilmPdfPrinting, EndWithNothingDrawnWritesNoFilm)
{
    device.endDocument();
    EXPECT_TRUE(films().empty());
    EXPECT_TRUE(device.lastOutputFile().empty());
}

TEST_F(FilmPdfPrinting, UnwritableFilmsFolderRaisesAtTheFirstOutput)
{
    test::writeFile(folder / "films", "a file where the folder should be");
    expectAppError(ErrorCode::PathFileAccess, [&] { device.printLine("Header"); });
    expectAppError(ErrorCode::PathFileAccess,
                   [&] { device.paintPicture(pictureOf(flatGray(4, 4, 0)), 0, 0, 100, 100); });
    EXPECT_NO_THROW(device.endDocument());

    fs::remove(folder / "films");
    device.printLine("Header");
    device.endDocument();
    EXPECT_NE(test::pdfText(onlyFilm()).find("Header"), std::string::npos);
}

TEST_F(FilmPdfPrinting, TextLandsWhereThePositionAndMetricsSay)
{
    device.setFontName("DejaVu Sans");
    device.setFontSize(10);
    const float width10 = device.textWidth("Kestrova");
    device.setFontSize(20);
    EXPECT_NEAR(device.textWidth("Kestrova") / width10, 2.0, 0.05);
    device.setFontSize(10);
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
    device.endDocument();

    const auto words = test::pdfWords(onlyFilm());
    ASSERT_EQ(words.size(), 2U);
    const bool inOrder = words[0].text == "Kestrova";
    const auto& first = words[inOrder ? 0 : 1];
    const auto& second = words[inOrder ? 1 : 0];
    ASSERT_EQ(first.text, "Kestrova");
    ASSERT_EQ(second.text, "Below");
    EXPECT_NEAR(first.xMin * 20, 1440 + MarginTwips, 40);
    EXPECT_NEAR((first.xMax - first.xMin) * 20, width10, width10 * 0.05);
    EXPECT_NEAR(second.xMin * 20, MarginTwips, 40) << "a printed line returns to the left edge";
    EXPECT_NEAR((second.yMin - first.yMin) * 20, lineHeight, 10);
    EXPECT_NEAR(first.yMin * 20, 720 + MarginTwips, 60);
}

TEST_F(FilmPdfPrinting, BuiltInPrinterIsListedLastAndUnknownNamesAreRefused)
{
    const auto names = device.printerNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), BuiltInPdfPrinterName);
    EXPECT_EQ(device.selectedPrinter(), BuiltInPdfPrinterName);
    expectAppError(ErrorCode::InvalidArgument, [&] { device.selectPrinter("No Such Printer"); });
    EXPECT_EQ(device.selectedPrinter(), BuiltInPdfPrinterName);
}

struct OrientationCase {
    Orientation orientation;
    double width;
    double height;
};

void PrintTo(const OrientationCase& value, std::ostream* out)
{
    *out << (value.orientation == Orientation::Landscape ? "landscape" : "portrait");
}

class FilmPageArea : public FilmPdfPrinting, public ::testing::WithParamInterface<OrientationCase> {};

TEST_P(FilmPageArea, PrintableAreaIsA4LessQuarterInchMarginsInTwips)
{
    const auto& expected = GetParam();
    device.setOrientation(expected.orientation);
    EXPECT_EQ(device.scaleLeft(), 0);
    EXPECT_EQ(device.scaleTop(), 0);
    EXPECT_NEAR(device.scaleWidth(), expected.width, 1);
    EXPECT_NEAR(device.scaleHeight(), expected.height, 1);

    // A black picture over exactly that area blackens the page up to the margins.
    device.paintPicture(pictureOf(flatGray(16, 16, 0)), 0, 0, device.scaleWidth(), device.scaleHeight());
    device.endDocument();
    constexpr int dpi = 50;
    const QImage page = test::renderGray(onlyFilm(), dpi);
    EXPECT_EQ(page.width() > page.height(), expected.orientation == Orientation::Landscape);
    const int margin = static_cast<int>(MarginTwips * dpi / 1440); // 12 pixels
    const int right = page.width() - 1;
    const int bottom = page.height() - 1;
    EXPECT_GE(qGray(page.pixel(margin - 4, margin - 4)), 250);
    EXPECT_LE(qGray(page.pixel(margin + 3, margin + 3)), 5);
    EXPECT_LE(qGray(page.pixel(right - margin - 3, bottom - margin - 3)), 5);
    EXPECT_GE(qGray(page.pixel(right - margin + 4, bottom - margin + 4)), 250);
}

INSTANTIATE_TEST_SUITE_P(
    Orientations, FilmPageArea,
    ::testing::Values(
        OrientationCase{Orientation::Portrait, A4WidthTwips - 2 * MarginTwips, A4HeightTwips - 2 * MarginTwips},
        OrientationCase{Orientation::Landscape, A4HeightTwips - 2 * MarginTwips, A4WidthTwips - 2 * MarginTwips}));

} // namespace
} // namespace kestrova
