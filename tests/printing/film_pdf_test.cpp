// The built-in printer: what reaches the film PDF, read back with poppler-utils.
#include "pdf_tools.h"

#include "printing/film_folder.h"
#include "printing/film_pdf_printer.h"

#include "core/errors.h"
#include "printing/page_units.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include <QColor>

#include <regex>

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using test::TempProgramFolder;

constexpr double MarginTwips = 360; // a quarter inch
constexpr int Dpi = 50;             // of the rendered page

Picture flatGray(int width, int height, int level)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(QColor(level, level, level));
    return Picture{image, 2540, 2540, nullptr};
}

// The grey level of the rendered page at a point given in twips of the printable area.
int grayAt(const QImage& page, double xTwips, double yTwips)
{
    const auto toPixel = [](double twips) { return static_cast<int>((twips + MarginTwips) * Dpi / 1440.0); };
    return qGray(page.pixel(toPixel(xTwips), toPixel(yTwips)));
}

QFont dejaVu(int points)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(points * 20);
    return font;
}

class FilmPdfPrinting : public ::testing::Test {
protected:

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
    FilmPdfPrinter printer;
};

// The text lands where it is drawn and the metrics say, and stays beside a picture (whose pixels
// and place are the images tests').
TEST_F(FilmPdfPrinting, PageWithTextAndAPictureBecomesOneA4Film)
{
    const FontMetrics at20 = printer.metrics(PageSetup{}, dejaVu(20)).font;
    const FontMetrics at10 = printer.metrics(PageSetup{}, dejaVu(10)).font;
    const double width10 = at10.textWidth("Kestrova");
    EXPECT_NEAR(at20.textWidth("Kestrova") / width10, 2.0, 0.05);
    // A line of 10 pt is 200 twips and some leading; the width and ascent the words' boxes check.
    EXPECT_GT(at10.lineHeight(), 200);
    EXPECT_LT(at10.lineHeight(), 300);
    printer.print(PageSetup{}, [&](PageCanvas& page) {
        page.drawText(QPointF(1440, 720 + at10.ascent()), dejaVu(10), "Kestrova");
        page.drawText(QPointF(0, 720 + at10.lineHeight() + at10.ascent()), dejaVu(10), "Below");
        page.drawPicture(QRectF(1440, 2880, 2880, 2880), flatGray(64, 64, 100));
    });

    const auto film = onlyFilm();
    EXPECT_TRUE(std::regex_match(film.filename().string(), std::regex(R"(Film-\d{8}-\d{6}-\d{3}\.pdf)"))) << film;
    const auto info = test::pdfInfo(film);
    EXPECT_EQ(info.pages, 1);
    EXPECT_NE(info.pageSize.find("A4"), std::string::npos) << info.pageSize;
    EXPECT_EQ(test::pdfImages(film).size(), 1u);
    auto words = test::pdfWords(film);
    ASSERT_EQ(words.size(), 2U) << test::pdfText(film);
    if (words[0].text != "Kestrova")
        std::swap(words[0], words[1]);
    EXPECT_EQ(words[1].text, "Below");
    EXPECT_NEAR(words[0].xMin * 20, 1440 + MarginTwips, 40);
    EXPECT_NEAR(words[0].yMin * 20, 720 + MarginTwips, 60);
    EXPECT_NEAR((words[0].xMax - words[0].xMin) * 20, width10, width10 * 0.05);
    EXPECT_NEAR(words[1].xMin * 20, MarginTwips, 40);
}

// Paper copies are the printer's; a film file holds each copy as a page.
TEST_F(FilmPdfPrinting, CopiesArePagesOnThePaperSetWithFilledRectangles)
{
    printer.print(PageSetup{PaperSize{355.6, 431.8}, Orientation::Portrait, 3}, [](PageCanvas& page) {
        page.fillRectangle(QRectF(0, 0, 2880, 2880), 0);
        page.drawPicture(QRectF(5760, 5760, 2880, 2880), flatGray(16, 16, 100));
    });

    const auto info = test::pdfInfo(onlyFilm());
    EXPECT_EQ(info.pages, 3);
    EXPECT_NE(info.pageSize.find("1008 x 1224 pts"), std::string::npos) << info.pageSize;
    const QImage page = test::renderGray(onlyFilm(), Dpi);
    EXPECT_LE(grayAt(page, 1440, 1440), 5) << "inside the black rectangle";
    EXPECT_NEAR(grayAt(page, 7200, 7200), 100, 3) << "inside the picture";
    EXPECT_GE(grayAt(page, 4320, 4320), 250) << "between them";
}

// (Film after film, each with a name of its own, is what the service's tests print.)
TEST_F(FilmPdfPrinting, AnEmptyPageIsAFilmAndAFailedOneLeavesNothing)
{
    printer.print(PageSetup{}, [](PageCanvas&) {});
    ASSERT_EQ(films().size(), 1u) << "a page with nothing on it is still a film";
    EXPECT_EQ(test::pdfInfo(onlyFilm()).pages, 1);
    fs::remove(onlyFilm());
    EXPECT_THROW(printer.print(PageSetup{},
                               [](PageCanvas& page) {
                                   page.drawText(QPointF(0, 2000), dejaVu(10), "Failed line");
                                   raise(ErrorCode::InvalidPicture);
                               }),
                 AppError);
    EXPECT_TRUE(films().empty());
}

// A film gets the first free name of its second, never replacing a film; what is not kept as a
// film, and work files an earlier run left, go.
TEST(FilmFiles, TakeTheFirstFreeNameOfTheirSecondAndLeaveNoWorkFileBehind)
{
    TempProgramFolder folder;
    const QDateTime stamp(QDate(2024, 3, 9), QTime(7, 5, 2));
    fs::create_directory(folder / "films");
    test::writeFile(folder / "films" / "Film-20240309-070502-001.pdf", "from an earlier run");
    test::writeFile(folder / "films" / ".kestrova-work-left.tmp", "a crash's leftover");
    removeLeftoverWorkFiles();
    fs::path abandoned;
    {
        FilmWorkFile first;
        test::writeFile(first.path(), "first");
        EXPECT_EQ(first.keepAsFilm(stamp).filename(), "Film-20240309-070502-002.pdf");
        FilmWorkFile second;
        abandoned = second.path();
    }
    EXPECT_EQ(test::readFile(folder / "films" / "Film-20240309-070502-001.pdf"), "from an earlier run");
    EXPECT_EQ(test::readFile(folder / "films" / "Film-20240309-070502-002.pdf"), "first");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "films"), fs::directory_iterator()), 2) << "a work file stayed";
    EXPECT_FALSE(fs::exists(abandoned));
}

TEST_F(FilmPdfPrinting, AnUnwritableFilmsFolderRaisesPathFileAccess)
{
    const PagePaint header = [](PageCanvas& page) { page.drawText(QPointF(0, 200), dejaVu(10), "Header"); };
    test::writeFile(folder / "films", "a file where the folder should be");
    try {
        printer.print(PageSetup{}, header);
        ADD_FAILURE() << "printed";
    } catch (const AppError& error) {
        EXPECT_EQ(error.code(), ErrorCode::PathFileAccess);
    }
    fs::remove(folder / "films");
    printer.print(PageSetup{}, header);
    EXPECT_NE(test::pdfText(onlyFilm()).find("Header"), std::string::npos);
}

class FilmPageArea : public FilmPdfPrinting, public ::testing::WithParamInterface<Orientation> {};

TEST_P(FilmPageArea, PrintableAreaIsA4LessQuarterInchMarginsInTwips)
{
    const bool landscape = GetParam() == Orientation::Landscape;
    const PageSetup setup{std::nullopt, GetParam(), 1};
    const QSizeF area = printer.metrics(setup, dejaVu(10)).printableArea;
    const double a4Width = 210 * TwipsPerMm - 2 * MarginTwips;
    const double a4Height = 297 * TwipsPerMm - 2 * MarginTwips;
    EXPECT_NEAR(area.width(), landscape ? a4Height : a4Width, 1);
    EXPECT_NEAR(area.height(), landscape ? a4Width : a4Height, 1);

    // A black picture over exactly that area blackens the page up to the margins.
    printer.print(setup, [&](PageCanvas& page) { page.drawPicture(QRectF(QPointF(0, 0), area), flatGray(16, 16, 0)); });
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
