#include "film_fixture.h"

#include "render/film_print.h"
#include "toolkit/dimse_status.h"
#include "toolkit/print_tags.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

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

struct CellCase {
    const char* format;
    int k;                // the image box drawn
    test::RecordedRectangle cell; // where its cell lies on the 11520 x 15840 portrait page
};

void PrintTo(const CellCase& c, std::ostream* os) { *os << c.format << " box " << c.k; }

class GridCell : public testing::TestWithParam<CellCase> {};

// A square picture fills its cell's shorter side, centred: its centre is the cell's.
TEST_P(GridCell, HoldsTheKthImageBoxLineByLine)
{
    FilmFixture film;
    film.addFilmBox(GetParam().format);
    film.setImage(GetParam().k, flatGreyImage(96, 96));
    ASSERT_EQ(DoPrint(film.filmBox()->sopInstanceUid(), film.context()), DimseStatus::Success);
    const RecordedPicture& picture = film.printer.documents().at(0).pictures.at(0);
    const auto& cell = GetParam().cell;
    EXPECT_NEAR(picture.x + picture.width / 2, cell.x + cell.width / 2, 0.5);
    EXPECT_NEAR(picture.y + picture.height / 2, cell.y + cell.height / 2, 0.5);
    EXPECT_NEAR(picture.width, std::min(cell.width, cell.height), 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GridCell,
    testing::Values(CellCase{"STANDARD\\2,3", 4, {5760, 5280, 5760, 5280, 0}},
                    CellCase{"ROW\\2,1", 2, {5760, 0, 5760, 7920, 0}},
                    CellCase{"ROW\\2,1", 3, {0, 7920, 11520, 7920, 0}},
                    CellCase{"ROW\\1,2,3", 2, {0, 5280, 5760, 5280, 0}},
                    CellCase{"ROW\\1,2,3", 6, {7680, 10560, 3840, 5280, 0}},
                    CellCase{"COL\\3,2", 3, {0, 10560, 5760, 5280, 0}},
                    CellCase{"COL\\3,2", 4, {5760, 0, 5760, 7920, 0}}));

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
    // A requester may send the sequence without an item: an empty cell, not a failed film.
    film.filmBox()->children()->item(2)->add(PrintTag::BasicGrayscaleImageSequence, makeCollection());
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

// ---- what a requester sets on the film box and the image boxes ----

constexpr const char* BuiltIn = "Kestrova PDF";

struct AttributeCase {
    const char* name;
    const char* printer;
    std::vector<Attribute> filmBox;
    std::vector<Attribute> imageBox;
};

// One 2 x 1 film, image 1 only: the attributes given on the printer given.
test::RecordedDocument printWith(const AttributeCase& c, DataSetPtr image)
{
    FilmFixture film;
    film.settings.Printer = c.printer;
    film.addFilmBox("STANDARD\\2,1");
    for (const auto& attribute : c.filmBox)
        film.filmBox()->add(attribute);
    film.setImage(1, std::move(image));
    for (const auto& attribute : c.imageBox)
        film.filmBox()->children()->item(1)->add(attribute);
    EXPECT_EQ(DoPrint(film.filmBox()->sopInstanceUid(), film.context()), DimseStatus::Success);
    return film.printer.documents().at(0);
}

Attribute text(Tag tag, const char* value) { return Attribute(tag, "CS", std::string(value)); }

struct PolarityCase : AttributeCase {
    int centreGrey;
};

class Polarity : public testing::TestWithParam<PolarityCase> {};

TEST_P(Polarity, ReverseInvertsThePicture)
{
    const auto document = printWith(GetParam(), flatGreyImage(16, 16, 200));
    EXPECT_EQ(qGray(document.pictures.at(0).image.pixel(8, 8)), GetParam().centreGrey);
}

INSTANTIATE_TEST_SUITE_P(Values, Polarity,
                         testing::Values(PolarityCase{{"Absent", "Film Printer", {}, {}}, 200},
                                         PolarityCase{{"Normal", "Film Printer", {}, {text(PrintTag::Polarity, "NORMAL")}}, 200},
                                         PolarityCase{{"Reverse", "Film Printer", {}, {text(PrintTag::Polarity, "REVERSE")}}, 55}),
                         [](const auto& info) { return std::string(info.param.name); });

struct MagnificationCase : AttributeCase {
    bool resampled;      // to the printer's 300 dpi
    std::size_t levels;  // grey levels in the picture sent
};

std::size_t greyLevels(const QImage& image)
{
    std::set<int> levels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            levels.insert(qGray(image.pixel(x, y)));
    return levels.size();
}

class Magnification : public testing::TestWithParam<MagnificationCase> {};

// The flat 8 x 8 picture has three levels (0, 255 and 128): replication keeps exactly those.
TEST_P(Magnification, ResamplesToThePrinterPixelsAsAsked)
{
    const auto document = printWith(GetParam(), flatGreyImage(8, 8));
    const RecordedPicture& picture = document.pictures.at(0);
    const QSize printerPixels(qRound(picture.width * 300 / 1440), qRound(picture.height * 300 / 1440));
    EXPECT_EQ(picture.image.size(), GetParam().resampled ? printerPixels : QSize(8, 8));
    if (GetParam().resampled) {
        EXPECT_EQ(greyLevels(picture.image) > 3, GetParam().levels > 3);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, Magnification,
    testing::Values(MagnificationCase{{"Absent", "Film Printer", {}, {}}, false, 3},
                    MagnificationCase{{"Replicate", "Film Printer", {text(PrintTag::MagnificationType, "REPLICATE")}, {}}, true, 3},
                    MagnificationCase{{"None", "Film Printer", {text(PrintTag::MagnificationType, "NONE")}, {}}, true, 3},
                    MagnificationCase{{"Bilinear", "Film Printer", {text(PrintTag::MagnificationType, "BILINEAR")}, {}}, true, 4},
                    MagnificationCase{{"CubicOnTheImageBoxWins", "Film Printer", {text(PrintTag::MagnificationType, "REPLICATE")},
                                       {text(PrintTag::MagnificationType, "CUBIC")}}, true, 4},
                    MagnificationCase{{"Unknown", "Film Printer", {text(PrintTag::MagnificationType, "ZOOM")}, {}}, false, 3}),
    [](const auto& info) { return std::string(info.param.name); });

struct SizeCase : AttributeCase {
    double width; // twips
};

class RequestedImageSize : public testing::TestWithParam<SizeCase> {};

// The cell is 5760 x 15840 twips; 50 mm is 2834.6 twips, 120 mm does not fit.
TEST_P(RequestedImageSize, PrintsThatWidthCentredWhenItFits)
{
    const auto document = printWith(GetParam(), flatGreyImage(96, 96));
    const RecordedPicture& picture = document.pictures.at(0);
    EXPECT_NEAR(picture.width, GetParam().width, 0.01);
    EXPECT_NEAR(picture.x + picture.width / 2, 2880, 0.5);
    EXPECT_NEAR(picture.y + picture.height / 2, 7920, 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, RequestedImageSize,
    testing::Values(SizeCase{{"Absent", "Film Printer", {}, {}}, 5760},
                    SizeCase{{"Fits", "Film Printer", {}, {Attribute(PrintTag::RequestedImageSize, "DS", std::string("50"))}}, 50 * 1440 / 25.4},
                    SizeCase{{"TooWide", "Film Printer", {}, {Attribute(PrintTag::RequestedImageSize, "DS", std::string("120"))}}, 5760},
                    SizeCase{{"Unreadable", "Film Printer", {}, {Attribute(PrintTag::RequestedImageSize, "DS", std::string("5O"))}}, 5760}),
    [](const auto& info) { return std::string(info.param.name); });

struct DensityCase : AttributeCase {
    std::vector<std::string> fills; // "x y w h grey", in drawing order
};

class Densities : public testing::TestWithParam<DensityCase> {};

// Cell 2 of the 2 x 1 film is empty; the grid is the whole A4 page (no caption lines), which
// the recording device makes 11905.5 x 16837.8 twips.
TEST_P(Densities, ColourTheGridAndEmptyCellsOnTheBuiltInPrinterOnly)
{
    const auto document = printWith(GetParam(), flatGreyImage(96, 96));
    std::vector<std::string> fills;
    for (const auto& r : document.rectangles)
        fills.push_back(std::to_string(int(r.x)) + " " + std::to_string(int(r.y)) + " " + std::to_string(int(r.width)) +
                        " " + std::to_string(int(r.height)) + " " + std::to_string(r.grey));
    EXPECT_EQ(fills, GetParam().fills);
}

const Attribute BlackBorder = text(PrintTag::BorderDensity, "BLACK");
const Attribute BlackEmpty = text(PrintTag::EmptyImageDensity, "BLACK");

INSTANTIATE_TEST_SUITE_P(
    Values, Densities,
    testing::Values(DensityCase{{"Absent", BuiltIn, {}, {}}, {}},
                    DensityCase{{"BlackBorder", BuiltIn, {BlackBorder}, {}},
                                {"0 0 11905 16837 0", "5953 0 5953 16838 255"}},
                    DensityCase{{"BothBlack", BuiltIn, {BlackBorder, BlackEmpty}, {}}, {"0 0 11905 16837 0"}},
                    DensityCase{{"BlackEmptyOnly", BuiltIn, {BlackEmpty}, {}}, {"5953 0 5953 16838 0"}},
                    DensityCase{{"SystemPrinterKeepsWhite", "Film Printer", {BlackBorder, BlackEmpty}, {}}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FilmSizeCase : AttributeCase {
    std::vector<std::string> paperCalls;
    float pageWidth; // twips, portrait
};

class FilmSize : public testing::TestWithParam<FilmSizeCase> {};

TEST_P(FilmSize, SetsThePaperOfTheBuiltInPrinterOnly)
{
    FilmFixture film;
    film.settings.Printer = GetParam().printer;
    film.addFilmBox("STANDARD\\1,1");
    for (const auto& attribute : GetParam().filmBox)
        film.filmBox()->add(attribute);
    film.setImage(1, flatGreyImage(10, 1000)); // tall: height-limited, centred across the page
    ASSERT_EQ(DoPrint(film.filmBox()->sopInstanceUid(), film.context()), DimseStatus::Success);
    std::vector<std::string> paperCalls;
    for (const auto& op : film.printer.ops())
        if (op.starts_with("setPaperSize"))
            paperCalls.push_back(op);
    EXPECT_EQ(paperCalls, GetParam().paperCalls);
    const RecordedPicture& picture = film.printer.documents().at(0).pictures.at(0);
    EXPECT_NEAR(picture.x + picture.width / 2, GetParam().pageWidth / 2, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, FilmSize,
    testing::Values(FilmSizeCase{{"Film14x17", BuiltIn, {text(PrintTag::FilmSizeId, "14INX17IN")}, {}},
                                 {"setPaperSize 355.6 431.8"}, 20160},
                    FilmSizeCase{{"Film10x14", BuiltIn, {text(PrintTag::FilmSizeId, "10INX14IN")}, {}},
                                 {"setPaperSize 257 364"}, 257 * 1440 / 25.4f},
                    FilmSizeCase{{"UnknownIsA4", BuiltIn, {text(PrintTag::FilmSizeId, "35MMX35MM")}, {}},
                                 {"setPaperSize 210 297"}, 210 * 1440 / 25.4f},
                    FilmSizeCase{{"SystemPrinterKeepsItsPaper", "Film Printer", {text(PrintTag::FilmSizeId, "14INX17IN")}, {}},
                                 {}, 11520}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
