#include "film_fixture.h"

#include "render/film_print.h"
#include "toolkit/dimse_status.h"
#include "toolkit/print_tags.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrova {
namespace {

using test::FilmFixture;
using test::flatGreyImage;
using test::RecordedPicture;

class DoPrintTest : public testing::Test {
protected:
    FilmFixture film;

    std::uint16_t print() { return DoPrint(film.filmBox()->sopInstanceUid(), film.context()); }

    const test::RecordedDocument& onlyDocument()
    {
        EXPECT_EQ(film.printer.documents().size(), 1u);
        return film.printer.documents().at(0);
    }

    std::string errorLog() const
    {
        const auto file = film.folder / "Logs" / "Error.log";
        return std::filesystem::exists(file) ? test::readFile(file) : std::string();
    }

    void expectFailureLogged(const std::string& numberAndDescription)
    {
        EXPECT_NE(errorLog().find(" " + numberAndDescription + "DoPrint\r\n"), std::string::npos) << errorLog();
        EXPECT_EQ(film.printer.abortCount(), 1);
        EXPECT_TRUE(film.printer.documents().empty());
    }
};

TEST_F(DoPrintTest, LaysTheGridOutRowByRowOverThePrintableArea)
{
    film.addFilmBox("STANDARD\\2,3");
    film.setImage(4, flatGreyImage(96, 96)); // 2540 x 2540 HIMETRIC
    ASSERT_EQ(print(), DimseStatus::Success);
    const auto& pictures = onlyDocument().pictures;
    ASSERT_EQ(pictures.size(), 1u);
    // Cell (row 2, column 2) is 5760 x 5280 at (5760, 5280); the square picture is height-limited.
    EXPECT_FLOAT_EQ(pictures[0].x, 5760 + 240);
    EXPECT_FLOAT_EQ(pictures[0].y, 5280);
    EXPECT_NEAR(pictures[0].width, 5280, 0.01);
    EXPECT_NEAR(pictures[0].height, 5280, 0.01);
    EXPECT_TRUE(std::filesystem::is_directory(film.folder / "images"));
}

TEST_F(DoPrintTest, OneByOneCoversTheAreaBelowTheHeader)
{
    film.left = HeaderLines{"Radiology", "Ward 3"};
    film.addFilmBox("STANDARD\\1,1");
    film.setImage(1, flatGreyImage(100, 1000)); // very wide: width-limited
    ASSERT_EQ(print(), DimseStatus::Success);
    const auto& picture = onlyDocument().pictures.at(0);
    EXPECT_FLOAT_EQ(picture.x, 0);
    EXPECT_NEAR(picture.width, 11520, 0.01);
    const double cellHeight = 15840 - 480;
    EXPECT_NEAR(picture.y, 480 + (cellHeight - picture.height) / 2, 0.5);
}

TEST_F(DoPrintTest, HeaderLinesSitLeftAndRightAndTheBandIsTheLowerBottom)
{
    film.left = HeaderLines{"first", "", "third"};
    film.right = HeaderLines{"right"};
    film.addFilmBox("STANDARD\\1,1");
    film.setImage(1, flatGreyImage(96, 96));
    ASSERT_EQ(print(), DimseStatus::Success);
    const auto& document = onlyDocument();
    ASSERT_EQ(document.lines.size(), 4u);
    EXPECT_EQ(document.lines[1].text, "");
    EXPECT_FLOAT_EQ(document.lines[2].y, 480);
    EXPECT_FLOAT_EQ(document.lines[3].x, 11520 - 5 * 100);
    EXPECT_FLOAT_EQ(document.lines[3].y, 0); // level with the first left line
    // H is three lines of 240; the square picture is width-limited in the 11520 x 15120 cell.
    EXPECT_FLOAT_EQ(document.pictures.at(0).y, 720 + (15120 - 11520) / 2);
}

struct LogoCase {
    const char* name;
    std::vector<std::string> left;
    std::vector<std::string> right;
    std::int32_t logoHimetric; // height and width
    float expectedX;
    std::int32_t expectedBand;
};

void PrintTo(const LogoCase& c, std::ostream* os) { *os << c.name; }

class HeaderLogo : public testing::TestWithParam<LogoCase> {};

TEST_P(HeaderLogo, TakesTheFreeSideAndRaisesTheBandOnlyWhenTaller)
{
    const LogoCase& c = GetParam();
    FilmFixture film;
    film.left = c.left;
    film.right = c.right;
    film.settings.ImagePath = "/srv/logo.png";
    film.printer.setPictureSize("/srv/logo.png", c.logoHimetric, c.logoHimetric);
    film.addFilmBox("STANDARD\\1,1");
    film.setImage(1, flatGreyImage(1000, 10)); // tall: height-limited, so it starts right below the band
    ASSERT_EQ(DoPrint(film.filmBox()->sopInstanceUid(), film.context()), DimseStatus::Success);
    const auto& pictures = film.printer.documents().at(0).pictures;
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_FLOAT_EQ(pictures[0].x, c.expectedX);
    EXPECT_FLOAT_EQ(pictures[0].y, 0);
    EXPECT_FLOAT_EQ(pictures[1].y, static_cast<float>(c.expectedBand));
}

// 864 HIMETRIC is 490 twips, 829 is 470: ten twips above and below two lines of text (480).
INSTANTIATE_TEST_SUITE_P(
    Placements, HeaderLogo,
    testing::Values(LogoCase{"BothSidesCentred", {"a", "b"}, {"c"}, 864, 11520.0f / 2 - 245, 490 + 150},
                    LogoCase{"LeftEmptyGoesLeft", {}, {"a", "b"}, 864, 0, 640},
                    LogoCase{"RightEmptyGoesRight", {"a", "b"}, {}, 829, 11520 - 470, 480},
                    LogoCase{"NoTextGoesLeft", {}, {}, 2540, 0, 1440 + 150}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DoPrintTest, UnsetImageBoxesStayBlankAndAddNoEventPass)
{
    film.addFilmBox("STANDARD\\2,2");
    film.setImage(1, flatGreyImage(96, 96));
    film.setImage(4, flatGreyImage(96, 96));
    ASSERT_EQ(print(), DimseStatus::Success);
    const auto& pictures = onlyDocument().pictures;
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_LT(pictures[0].x, 5760);
    EXPECT_GE(pictures[1].x, 5760);
    EXPECT_GE(pictures[1].y, 7920);
    EXPECT_EQ(film.eventPasses, 2 + 1); // one per drawn image, one after the page
}

TEST_F(DoPrintTest, FewerReferencesThanCellsFailsOnTheFirstMissingCell)
{
    film.addFilmBox("STANDARD\\2,2", 3);
    for (int k = 1; k <= 3; ++k)
        film.setImage(k, flatGreyImage(96, 96));
    EXPECT_EQ(print(), DimseStatus::ProcessingFailure);
    EXPECT_EQ(film.eventPasses, 3);
    expectFailureLogged("9 Subscript out of range");
}

struct BadFormatCase {
    const char* format;
    const char* logged;
};

void PrintTo(const BadFormatCase& c, std::ostream* os) { *os << c.format; }

class UnprintableFormat : public testing::TestWithParam<BadFormatCase> {};

TEST_P(UnprintableFormat, IsLoggedAndAnsweredWithAFailure)
{
    FilmFixture film;
    film.addFilmBox(GetParam().format);
    EXPECT_EQ(DoPrint(film.filmBox()->sopInstanceUid(), film.context()), DimseStatus::ProcessingFailure);
    const std::string log = test::readFile(film.folder / "Logs" / "Error.log");
    EXPECT_NE(log.find(std::string(GetParam().logged) + "DoPrint\r\n"), std::string::npos) << log;
    EXPECT_TRUE(film.printer.documents().empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, UnprintableFormat,
                         testing::Values(BadFormatCase{"STANDARD\\0,1", " 11 Division by zero"},
                                         BadFormatCase{"SLIDE", " 5 Invalid procedure call or argument"}));

class FilmOrientation : public testing::TestWithParam<std::pair<const char*, Orientation>> {};

TEST_P(FilmOrientation, OnlyUpperCasePortraitIsPortrait)
{
    FilmFixture film;
    film.addFilmBox("STANDARD\\1,1");
    film.filmBox()->add(PrintTag::FilmOrientation, std::string(GetParam().first));
    film.setImage(1, flatGreyImage(8, 8));
    ASSERT_EQ(DoPrint(film.filmBox()->sopInstanceUid(), film.context()), DimseStatus::Success);
    EXPECT_EQ(film.printer.documents().at(0).orientation, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Texts, FilmOrientation,
                         testing::Values(std::pair{"PORTRAIT", Orientation::Portrait},
                                         std::pair{"LANDSCAPE", Orientation::Landscape},
                                         std::pair{"landscape", Orientation::Landscape},
                                         std::pair{"portrait", Orientation::Landscape},
                                         std::pair{"", Orientation::Landscape}));

TEST_F(DoPrintTest, AnAbsentOrientationPrintsLandscapeLikeAnEmptyOne)
{
    film.addFilmBox("STANDARD\\1,1");
    film.filmBox()->remove(PrintTag::FilmOrientation);
    film.setImage(1, flatGreyImage(8, 8));
    EXPECT_EQ(print(), DimseStatus::Success);
    EXPECT_EQ(onlyDocument().orientation, Orientation::Landscape);
}

TEST_F(DoPrintTest, CopiesComeFromTheFilmSession)
{
    film.addFilmBox("STANDARD\\1,1");
    film.setImage(1, flatGreyImage(8, 8));
    ASSERT_EQ(print(), DimseStatus::Success);
    film.filmSession()->add(PrintTag::NumberOfCopies, std::string("3"));
    ASSERT_EQ(print(), DimseStatus::Success);
    ASSERT_EQ(film.printer.documents().size(), 2u);
    EXPECT_EQ(film.printer.documents()[0].copies, 1);
    EXPECT_EQ(film.printer.documents()[1].copies, 3);
}

TEST_F(DoPrintTest, PreviewIsDrawnOnlyWhileMaximized)
{
    film.addFilmBox("STANDARD\\2,1");
    film.setImage(1, flatGreyImage(96, 96));
    film.setImage(2, flatGreyImage(96, 96));
    ASSERT_EQ(print(), DimseStatus::Success);
    EXPECT_EQ(film.preview.clearCount(), 1);
    EXPECT_TRUE(film.preview.pictures().empty());

    film.maximized = true;
    ASSERT_EQ(print(), DimseStatus::Success);
    const auto& previews = film.preview.pictures();
    ASSERT_EQ(previews.size(), 2u);
    // Preview cells are 2400 x 3600: the square pictures are width-limited and centred.
    EXPECT_FLOAT_EQ(previews[0].x, 0);
    EXPECT_FLOAT_EQ(previews[0].y, 600);
    EXPECT_FLOAT_EQ(previews[1].x, 2400);
    EXPECT_EQ(film.preview.refreshCount(), 2);
}

TEST_F(DoPrintTest, ThePreviousPrinterIsSelectedAgainAfterSuccessAndFailure)
{
    film.printer.setPrinters({"Ward", "Film Printer", "Kestrova PDF"}, "Ward");
    film.settings.Printer = "Film Printer";
    film.addFilmBox("STANDARD\\1,1");
    film.setImage(1, flatGreyImage(8, 8));
    ASSERT_EQ(print(), DimseStatus::Success);
    EXPECT_EQ(film.printer.documents().at(0).printer, "Film Printer");
    EXPECT_EQ(film.printer.selectedPrinter(), "Ward");

    film.printer.failAfter(test::PrinterCall::PaintPicture, 0, ErrorCode::PathFileAccess);
    EXPECT_EQ(print(), DimseStatus::ProcessingFailure);
    EXPECT_EQ(film.printer.selectedPrinter(), "Ward");
    EXPECT_EQ(film.printer.abortCount(), 1);
    EXPECT_EQ(film.printer.documents().size(), 1u);
}

TEST_F(DoPrintTest, AnUnknownPrinterNameKeepsTheCurrentSelection)
{
    film.printer.setPrinters({"Ward", "Kestrova PDF"}, "Kestrova PDF");
    film.settings.Printer = "ward"; // names match exactly
    film.addFilmBox("STANDARD\\1,1");
    film.setImage(1, flatGreyImage(8, 8));
    ASSERT_EQ(print(), DimseStatus::Success);
    EXPECT_EQ(onlyDocument().printer, "Kestrova PDF");
}

TEST_F(DoPrintTest, AMissingCaptionListStopsTheJob)
{
    film.right.reset();
    film.left = HeaderLines{"left"};
    film.addFilmBox("STANDARD\\1,1");
    EXPECT_EQ(print(), DimseStatus::ProcessingFailure);
    expectFailureLogged("91 Object variable or With block variable not set");
}

TEST(PrintFilmSession, PrintsEveryStoredFilmBoxInCreationOrder)
{
    FilmFixture film;
    const std::string first = film.addFilmBox("STANDARD\\1,1");
    film.setImage(1, flatGreyImage(8, 8));
    film.addFilmBox("STANDARD\\1,2");
    film.setImage(1, flatGreyImage(8, 8));
    film.addFilmBox("STANDARD\\1,1");
    film.setImage(1, flatGreyImage(8, 8));
    film.store->remove(film.filmBox()->sopInstanceUid()); // deleted film boxes are not printed
    EXPECT_EQ(PrintFilmSession(*film.filmSession(), film.context()), DimseStatus::Success);
    ASSERT_EQ(film.printer.documents().size(), 2u);
    EXPECT_FLOAT_EQ(film.printer.documents()[1].pictures.at(0).height, 7920);

    film.store->item(first)->add(PrintTag::ImageDisplayFormat, std::string("SLIDE"));
    EXPECT_EQ(PrintFilmSession(*film.filmSession(), film.context()), DimseStatus::ProcessingFailure);
    EXPECT_EQ(film.printer.documents().size(), 3u);
}

TEST(PrintFilmSession, WithoutFilmBoxesAnswersNoFilmBox)
{
    FilmFixture film;
    EXPECT_EQ(PrintFilmSession(*film.filmSession(), film.context()), DimseStatus::FilmSessionHasNoFilmBox);
}

} // namespace
} // namespace kestrova
