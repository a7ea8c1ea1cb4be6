#include "core/configuration.h"
#include "core/lut_table.h"
#include "printing/testing/recording_preview_surface.h"
#include "render/display_format.h"
#include "render/film_print.h"
#include "render/print_context.h"
#include "test_film/film_requests.h"
#include "test_film/test_images.h"
#include "print_service/dimse_status.h"
#include "data/print_tags.h"
#include "data/sop_classes.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <concepts>
#include <functional>
#include <set>

namespace kestrova {
namespace {

using test::RecordedDocument;
using test::RecordedPicture;

// An 8-bit MONOCHROME2 image of one grey level, but for one black and one white pixel.
DataSetPtr flatGreyImage(int rows, int columns, std::uint8_t level = 128)
{
    ImageSpec imageSpec;
    imageSpec.rows = rows;
    imageSpec.columns = columns;
    imageSpec.pixel = [level](int row, int column, int) {
        return row == 0 && column < 2 ? std::uint16_t(column == 0 ? 0 : 255) : std::uint16_t(level);
    };
    return makeImage(imageSpec);
}

// A store with one film session and its film boxes laid out by hand, printed on the
// recording devices.
class FilmFixture {
public:
    FilmFixture()
    {
        session_->add(SopClassUidTag, std::string(SopClass::BasicFilmSession));
        session_->setSopInstanceUid("1.1");
        session_->setChildren(makeCollection());
        store->add(session_);
    }

    // A portrait film box with one image box per cell of the format, or as many as references
    // says; returns its UID.
    std::string addFilmBox(const std::string& format, std::optional<int> references = std::nullopt)
    {
        const std::string uid = "1.1." + std::to_string(store->count());
        filmBox_ = filmBoxAttributes(format, session_->sopInstanceUid());
        filmBox_->add(SopClassUidTag, std::string(SopClass::BasicFilmBox));
        filmBox_->setSopInstanceUid(uid);
        filmBox_->setChildren(makeCollection());
        filmBox_->add(PrintTag::ReferencedImageBoxSequence, filmBox_->children());
        int cells = 0;
        try {
            cells = static_cast<int>(std::max<std::int64_t>(0, DecodeFormat(format).cellCount()));
        } catch (const AppError&) {
            // Formats the renderer must refuse get no image boxes.
        }
        for (int k = 1; k <= references.value_or(cells); ++k) {
            const std::string boxUid = uid + "." + std::to_string(k);
            // The image box serves as its own reference item.
            auto imageBox = std::make_shared<DataSet>();
            imageBox->add(ReferencedSopClassUidTag, std::string(SopClass::BasicGrayscaleImageBox));
            imageBox->add(ReferencedSopInstanceUidTag, boxUid);
            imageBox->setSopInstanceUid(boxUid);
            store->add(imageBox);
            filmBox_->children()->add(imageBox);
        }
        store->add(filmBox_);
        session_->children()->add(filmBox_);
        return uid;
    }

    // Puts an image into image box k (1-based) of the last film box.
    void setImage(int k, DataSetPtr image)
    {
        auto sequence = makeCollection();
        sequence->add(std::move(image));
        imageBox(k)->add(PrintTag::BasicGrayscaleImageSequence, sequence);
    }
    DataSetPtr imageBox(int k) const { return filmBox_->children()->item(static_cast<std::size_t>(k)); }
    DataSetPtr filmBox() const { return filmBox_; }
    DataSetPtr filmSession() const { return session_; }

    PrintContext context()
    {
        return PrintContext{store, settings, left, right, lut, printer, preview, [this] { return maximized; }};
    }
    std::uint16_t print() { return DoPrint(filmBox_->sopInstanceUid(), context()); }
    // The one image of a 1 x 1 film, printed.
    const RecordedDocument& printOneImage(DataSetPtr image)
    {
        addFilmBox("STANDARD\\1,1");
        setImage(1, std::move(image));
        EXPECT_EQ(print(), DimseStatus::Success);
        return printer.documents().at(0);
    }

    test::TempProgramFolder folder;
    CollectionPtr store = makeCollection();
    Settings settings{"WARD3", 4006, "KODAK", "", "Tahoma", 10, 0, ""};
    std::optional<HeaderLines> left = HeaderLines{};
    std::optional<HeaderLines> right = HeaderLines{};
    LutState lut;
    test::RecordingPrinterDevice printer;
    test::RecordingPreviewSurface preview;
    bool maximized = false;

private:
    DataSetPtr session_ = std::make_shared<DataSet>();
    DataSetPtr filmBox_;
};

class DoPrintTest : public testing::Test {
protected:
    FilmFixture film;
};

struct CellCase {
    const char* format;
    int k;                        // the image box drawn
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
    ASSERT_EQ(film.print(), DimseStatus::Success);
    const RecordedPicture& picture = film.printer.documents().at(0).pictures.at(0);
    const auto& cell = GetParam().cell;
    EXPECT_NEAR(picture.x + picture.width / 2, cell.x + cell.width / 2, 0.5);
    EXPECT_NEAR(picture.y + picture.height / 2, cell.y + cell.height / 2, 0.5);
    EXPECT_NEAR(picture.width, std::min(cell.width, cell.height), 0.01);
    EXPECT_TRUE(std::filesystem::is_directory(film.folder / "images"));
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

TEST_F(DoPrintTest, CaptionLinesSitLeftAndRightAndTheGridBeginsBelowTheLowerSide)
{
    film.left = HeaderLines{"first", "", "third"};
    film.right = HeaderLines{"right"};
    const auto& document = film.printOneImage(flatGreyImage(100, 1000)); // very wide: width-limited
    ASSERT_EQ(document.lines.size(), 4u);
    EXPECT_EQ(document.lines[1].text, "");
    EXPECT_FLOAT_EQ(document.lines[2].y, 480);
    EXPECT_EQ(document.lines[3].text, "right");
    EXPECT_FLOAT_EQ(document.lines[3].x, 11520 - 5 * 100);
    EXPECT_FLOAT_EQ(document.lines[3].y, 0); // level with the first left line
    // Three lines of 240 above a cell of 11520 x 15120.
    const RecordedPicture& picture = document.pictures.at(0);
    EXPECT_FLOAT_EQ(picture.x, 0);
    EXPECT_NEAR(picture.width, 11520, 0.01);
    EXPECT_NEAR(picture.y, 720 + (15120 - picture.height) / 2, 0.5);
}

struct LogoCase {
    const char* name;
    HeaderLines left;
    HeaderLines right;
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
    // A tall image is height-limited, so it starts right below the band.
    const auto& pictures = film.printOneImage(flatGreyImage(1000, 10)).pictures;
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

TEST_F(DoPrintTest, UnsetImageBoxesStayBlank)
{
    film.addFilmBox("STANDARD\\2,2");
    film.setImage(1, flatGreyImage(96, 96));
    // A requester may send the sequence without an item: an empty cell, not a failed film.
    film.imageBox(2)->add(PrintTag::BasicGrayscaleImageSequence, makeCollection());
    film.setImage(4, flatGreyImage(96, 96));
    ASSERT_EQ(film.print(), DimseStatus::Success);
    const auto& pictures = film.printer.documents().at(0).pictures;
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_LT(pictures[0].x, 5760);
    EXPECT_GE(pictures[1].x, 5760);
    EXPECT_GE(pictures[1].y, 7920);
}

struct FailedFilmCase {
    const char* name;
    std::function<void(FilmFixture&)> arrange;
    const char* logged;
};

void PrintTo(const FailedFilmCase& c, std::ostream* os) { *os << c.name; }

class FailedFilm : public testing::TestWithParam<FailedFilmCase> {};

TEST_P(FailedFilm, IsLoggedAbortedAndAnsweredWithAFailure)
{
    FilmFixture film;
    GetParam().arrange(film);
    EXPECT_EQ(film.print(), DimseStatus::ProcessingFailure);
    const std::string log = film.folder.errorLog();
    EXPECT_NE(log.find(std::string(GetParam().logged) + "DoPrint\r\n"), std::string::npos) << log;
    EXPECT_EQ(film.printer.abortCount(), 1);
    EXPECT_TRUE(film.printer.documents().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FailedFilm,
    testing::Values(FailedFilmCase{"NoColumns", [](FilmFixture& f) { f.addFilmBox("STANDARD\\0,1"); }, " 11 Division by zero"},
                    FailedFilmCase{"Slide", [](FilmFixture& f) { f.addFilmBox("SLIDE"); }, " 5 Invalid procedure call or argument"},
                    FailedFilmCase{"FewerReferencesThanCells",
                                   [](FilmFixture& f) {
                                       f.addFilmBox("STANDARD\\2,2", 3);
                                       for (int k = 1; k <= 3; ++k)
                                           f.setImage(k, flatGreyImage(96, 96));
                                   },
                                   " 9 Subscript out of range"},
                    FailedFilmCase{"CaptionsNeverRead",
                                   [](FilmFixture& f) {
                                       f.right.reset();
                                       f.left = HeaderLines{"left"};
                                       f.addFilmBox("STANDARD\\1,1");
                                   },
                                   " 91 Object variable or With block variable not set"}),
    [](const auto& info) { return std::string(info.param.name); });

class FilmOrientation : public testing::TestWithParam<std::pair<const char*, Orientation>> {};

// nullptr: the attribute is absent, which must not keep a film from printing.
TEST_P(FilmOrientation, OnlyUpperCasePortraitIsPortrait)
{
    FilmFixture film;
    film.addFilmBox("STANDARD\\1,1");
    if (GetParam().first)
        film.filmBox()->add(PrintTag::FilmOrientation, std::string(GetParam().first));
    else
        film.filmBox()->remove(PrintTag::FilmOrientation);
    film.setImage(1, flatGreyImage(8, 8));
    ASSERT_EQ(film.print(), DimseStatus::Success);
    EXPECT_EQ(film.printer.documents().at(0).orientation, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Texts, FilmOrientation,
                         testing::Values(std::pair{"PORTRAIT", Orientation::Portrait},
                                         std::pair{"LANDSCAPE", Orientation::Landscape},
                                         std::pair{"portrait", Orientation::Landscape},
                                         std::pair{"", Orientation::Landscape},
                                         std::pair{static_cast<const char*>(nullptr), Orientation::Landscape}));

TEST_F(DoPrintTest, CopiesComeFromTheFilmSession)
{
    film.printOneImage(flatGreyImage(8, 8));
    film.filmSession()->add(PrintTag::NumberOfCopies, std::string("3"));
    ASSERT_EQ(film.print(), DimseStatus::Success);
    ASSERT_EQ(film.printer.documents().size(), 2u);
    EXPECT_EQ(film.printer.documents()[0].copies, 1);
    EXPECT_EQ(film.printer.documents()[1].copies, 3);
}

TEST_F(DoPrintTest, PreviewIsDrawnOnlyWhileMaximized)
{
    film.addFilmBox("STANDARD\\2,1");
    film.setImage(1, flatGreyImage(96, 96));
    film.setImage(2, flatGreyImage(96, 96));
    ASSERT_EQ(film.print(), DimseStatus::Success);
    EXPECT_EQ(film.preview.clearCount(), 1);
    EXPECT_TRUE(film.preview.pictures().empty());

    film.maximized = true;
    ASSERT_EQ(film.print(), DimseStatus::Success);
    const auto& previews = film.preview.pictures();
    ASSERT_EQ(previews.size(), 2u);
    // Preview cells are 2400 x 3600: the square pictures are width-limited and centred.
    EXPECT_FLOAT_EQ(previews[0].x, 0);
    EXPECT_FLOAT_EQ(previews[0].y, 600);
    EXPECT_FLOAT_EQ(previews[1].x, 2400);
    EXPECT_EQ(film.preview.refreshCount(), 2);
}

TEST_F(DoPrintTest, PrintsOnThePrinterOfTheSettingsAndSelectsThePreviousOneAgain)
{
    film.printer.setPrinters({"Ward", "Film Printer", "Kestrova PDF"}, "Ward");
    film.settings.Printer = "ward"; // names match exactly: an unknown one keeps the selection
    EXPECT_EQ(film.printOneImage(flatGreyImage(8, 8)).printer, "Ward");
    film.settings.Printer = "Film Printer";
    ASSERT_EQ(film.print(), DimseStatus::Success);
    EXPECT_EQ(film.printer.documents().at(1).printer, "Film Printer");
    EXPECT_EQ(film.printer.selectedPrinter(), "Ward");

    film.printer.failPainting(ErrorCode::PathFileAccess);
    EXPECT_EQ(film.print(), DimseStatus::ProcessingFailure);
    EXPECT_EQ(film.printer.selectedPrinter(), "Ward");
    EXPECT_EQ(film.printer.abortCount(), 1);
    EXPECT_EQ(film.printer.documents().size(), 2u);
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

    FilmFixture empty;
    EXPECT_EQ(PrintFilmSession(*empty.filmSession(), empty.context()), DimseStatus::FilmSessionHasNoFilmBox);
}

// ---- what a requester sets on the film box and the image boxes ----

constexpr const char* BuiltIn = "Kestrova PDF";

struct AttributeCase {
    const char* name;
    const char* printer;
    std::vector<Attribute> filmBox;
    std::vector<Attribute> imageBox;
};

template <std::derived_from<AttributeCase> Case>
void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

// A 2 x 1 film with image 1 only, the attributes given set, printed on the printer given.
RecordedDocument printWith(const AttributeCase& c, DataSetPtr image, FilmFixture&& film = FilmFixture())
{
    film.settings.Printer = c.printer;
    film.addFilmBox("STANDARD\\2,1");
    for (const auto& attribute : c.filmBox)
        film.filmBox()->add(attribute);
    film.setImage(1, std::move(image));
    for (const auto& attribute : c.imageBox)
        film.imageBox(1)->add(attribute);
    EXPECT_EQ(film.print(), DimseStatus::Success);
    return film.printer.documents().at(0);
}

Attribute text(Tag tag, const char* value) { return Attribute(tag, "CS", std::string(value)); }

struct RenditionCase : AttributeCase {
    std::int16_t lutSetting;
    bool lutComplete;
    int centreGrey;
};

class Rendition : public testing::TestWithParam<RenditionCase> {};

// The LUT's entry i gives level 2i: grey 200 is entry 35.3 of 45, printed as 71.
TEST_P(Rendition, ReversesAndAppliesTheLutOnlyWhenSetToOneAndComplete)
{
    FilmFixture film;
    film.settings.LUT = GetParam().lutSetting;
    for (std::size_t i = 0; i < LutEntries; ++i)
        film.lut.table[i] = static_cast<std::int32_t>(2 * i * 256);
    film.lut.complete = GetParam().lutComplete;
    const auto document = printWith(GetParam(), flatGreyImage(16, 16, 200), std::move(film));
    EXPECT_NEAR(qGray(document.pictures.at(0).image.pixel(8, 8)), GetParam().centreGrey, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Rendition,
    testing::Values(RenditionCase{{"Normal", "Film Printer", {}, {text(PrintTag::Polarity, "NORMAL")}}, 0, true, 200},
                    RenditionCase{{"Reverse", "Film Printer", {}, {text(PrintTag::Polarity, "REVERSE")}}, 0, true, 55},
                    RenditionCase{{"Lut", "Film Printer", {}, {}}, 1, true, 71},
                    RenditionCase{{"LutIncomplete", "Film Printer", {}, {}}, 1, false, 200},
                    RenditionCase{{"LutSettingTwo", "Film Printer", {}, {}}, 2, true, 200}),
    [](const auto& info) { return std::string(info.param.name); });

struct MagnificationCase : AttributeCase {
    bool resampled;     // to the printer's 300 dpi
    bool interpolated;  // more grey levels than the three of the picture sent
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

TEST_P(Magnification, ResamplesToThePrinterPixelsAsAsked)
{
    const auto document = printWith(GetParam(), flatGreyImage(8, 8));
    const RecordedPicture& picture = document.pictures.at(0);
    const QSize printerPixels(qRound(picture.width * 300 / 1440), qRound(picture.height * 300 / 1440));
    EXPECT_EQ(picture.image.size(), GetParam().resampled ? printerPixels : QSize(8, 8));
    EXPECT_EQ(greyLevels(picture.image) > 3, GetParam().interpolated);
}

Attribute magnification(const char* type) { return text(PrintTag::MagnificationType, type); }

INSTANTIATE_TEST_SUITE_P(
    Types, Magnification,
    testing::Values(MagnificationCase{{"Absent", "Film Printer", {}, {}}, false, false},
                    MagnificationCase{{"Replicate", "Film Printer", {magnification("REPLICATE")}, {}}, true, false},
                    MagnificationCase{{"None", "Film Printer", {magnification("NONE")}, {}}, true, false},
                    MagnificationCase{{"Bilinear", "Film Printer", {magnification("BILINEAR")}, {}}, true, true},
                    MagnificationCase{{"CubicOnTheImageBoxWins", "Film Printer", {magnification("REPLICATE")},
                                       {magnification("CUBIC")}}, true, true},
                    MagnificationCase{{"Unknown", "Film Printer", {magnification("ZOOM")}, {}}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct SizeCase : AttributeCase {
    double width; // twips
};

class RequestedImageSize : public testing::TestWithParam<SizeCase> {};

// The cell is 5760 x 15840 twips; 50 mm is 2834.6 twips, 120 mm does not fit.
TEST_P(RequestedImageSize, PrintsThatWidthCentredWhenItFits)
{
    const RecordedPicture picture = printWith(GetParam(), flatGreyImage(96, 96)).pictures.at(0);
    EXPECT_NEAR(picture.width, GetParam().width, 0.01);
    EXPECT_NEAR(picture.x + picture.width / 2, 2880, 0.5);
    EXPECT_NEAR(picture.y + picture.height / 2, 7920, 0.5);
}

Attribute size(const char* mm) { return Attribute(PrintTag::RequestedImageSize, "DS", std::string(mm)); }

INSTANTIATE_TEST_SUITE_P(
    Sizes, RequestedImageSize,
    testing::Values(SizeCase{{"Absent", "Film Printer", {}, {}}, 5760},
                    SizeCase{{"Fits", "Film Printer", {}, {size("50")}}, 50 * 1440 / 25.4},
                    SizeCase{{"TooWide", "Film Printer", {}, {size("120")}}, 5760},
                    SizeCase{{"Unreadable", "Film Printer", {}, {size("5O")}}, 5760}),
    [](const auto& info) { return std::string(info.param.name); });

struct FilmLookCase : AttributeCase {
    std::vector<std::string> fills; // "x y w h grey", in drawing order
    std::optional<std::pair<double, double>> paperMm;
};

class FilmLook : public testing::TestWithParam<FilmLookCase> {};

// Cell 2 of the 2 x 1 film is empty. Without a film size the paper is A4, on which the
// recording device makes the grid 11905.5 x 16837.8 twips.
TEST_P(FilmLook, DensitiesAndFilmSizeApplyOnTheBuiltInPrinterOnly)
{
    const auto document = printWith(GetParam(), flatGreyImage(96, 96));
    std::vector<std::string> fills;
    for (const auto& r : document.rectangles)
        fills.push_back(std::to_string(int(r.x)) + " " + std::to_string(int(r.y)) + " " + std::to_string(int(r.width)) +
                        " " + std::to_string(int(r.height)) + " " + std::to_string(r.grey));
    EXPECT_EQ(fills, GetParam().fills);
    EXPECT_EQ(document.paperMm, GetParam().paperMm);
}

const Attribute BlackBorder = text(PrintTag::BorderDensity, "BLACK");
const Attribute BlackEmpty = text(PrintTag::EmptyImageDensity, "BLACK");
const std::pair<double, double> A4{210, 297};

INSTANTIATE_TEST_SUITE_P(
    Values, FilmLook,
    testing::Values(FilmLookCase{{"Plain", BuiltIn, {}, {}}, {}, A4},
                    FilmLookCase{{"BlackBorder", BuiltIn, {BlackBorder}, {}}, {"0 0 11905 16837 0", "5953 0 5953 16838 255"}, A4},
                    FilmLookCase{{"BothBlack", BuiltIn, {BlackBorder, BlackEmpty}, {}}, {"0 0 11905 16837 0"}, A4},
                    FilmLookCase{{"BlackEmptyOnly", BuiltIn, {BlackEmpty}, {}}, {"5953 0 5953 16838 0"}, A4},
                    FilmLookCase{{"Film14x17", BuiltIn, {text(PrintTag::FilmSizeId, "14INX17IN")}, {}}, {}, std::pair{355.6, 431.8}},
                    FilmLookCase{{"Film10x14", BuiltIn, {text(PrintTag::FilmSizeId, "10INX14IN")}, {}}, {}, std::pair{257.0, 364.0}},
                    FilmLookCase{{"UnknownFilmIsA4", BuiltIn, {text(PrintTag::FilmSizeId, "35MMX35MM")}, {}}, {}, A4},
                    FilmLookCase{{"SystemPrinterKeepsItsLook", "Film Printer",
                                  {BlackBorder, BlackEmpty, text(PrintTag::FilmSizeId, "14INX17IN")}, {}}, {}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
