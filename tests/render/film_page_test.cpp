// A film box's page as a value: where everything goes, and the pixels that go there.
#include "core/errors.h"
#include "data/print_tags.h"
#include "printing/film_pdf_printer.h"
#include "printing/testing/recording_printers.h"
#include "render/film_cells.h"
#include "render/film_paint.h"
#include "render/film_print.h"
#include "render/printed_picture.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QLineF>

#include <functional>
#include <set>

namespace kestrova {
namespace {

constexpr double PageWidth = 11520;
constexpr double PageHeight = 15840;

// A grey picture but for one black and one white pixel, a pixel 1/96 inch, kept compressed
// as a job gets it.
Picture greyPicture(int columns, int rows, std::uint8_t level = 128)
{
    QImage image(columns, rows, QImage::Format_Grayscale8);
    image.fill(level);
    image.scanLine(0)[0] = 0;
    image.scanLine(0)[1] = 255;
    const auto himetric = [](int pixels) { return static_cast<std::int32_t>(std::lround(himetricFromPixels(pixels, 96))); };
    return keptCompressed(Picture{image, himetric(columns), himetric(rows), nullptr});
}

// An 8 x 11 inch portrait page on a printer of 300 dpi that keeps its own paper and prints no
// densities; the caption font's lines are 240 twips apart with the baseline 180 below their
// top, its characters 100 twips wide.
PageFrame plainFrame()
{
    PageFrame frame;
    frame.printer = PrinterCapabilities{{}, {}, false, 300};
    frame.metrics = PrinterMetrics{QSizeF(PageWidth, PageHeight),
                                   FontMetrics{[] { return 180.0; }, [] { return 240.0; },
                                               [](const QString& text) { return 100.0 * text.size(); }}};
    return frame;
}

// A portrait film box of the format, with one image box per cell or as many as given, none of
// them holding an image yet.
struct Film {
    explicit Film(const std::string& format, std::optional<std::size_t> imageBoxes = std::nullopt)
    {
        film.filmBox.add(PrintTag::ImageDisplayFormat, format);
        film.filmBox.add(PrintTag::FilmOrientation, std::string("PORTRAIT"));
        std::size_t cells = 0;
        try {
            cells = static_cast<std::size_t>(std::max<std::int64_t>(0, DecodeFormat(format).cellCount()));
        } catch (const AppError&) {
            // Formats the page must refuse get no image boxes.
        }
        film.imageBoxes.resize(imageBoxes.value_or(cells));
    }

    void setImage(int k, const Picture& picture) { box(k).picture = std::make_shared<const Picture>(picture); }
    ImageBoxToPrint& box(int k) { return film.imageBoxes.at(static_cast<std::size_t>(k) - 1); }
    FilmPage page() const { return layOutFilmPage(film, settings, frame); }
    // The picture of cell k, which must hold one.
    PlacedPicture pictureIn(int k) const { return page().cells.at(static_cast<std::size_t>(k) - 1).picture.value(); }

    FilmToPrint film;
    FilmJobSettings settings{Configuration{Settings{"WARD3", 4006, "KODAK", "", "Tahoma", 10, 0, ""}, HeaderLines{},
                                           HeaderLines{}, Limits{}, AccessSettings{}, TlsSettings{}},
                             LutState{}};
    PageFrame frame = plainFrame();
};

bool near(const QRectF& a, const QRectF& b)
{
    return QLineF(a.topLeft(), b.topLeft()).length() < 0.01 && QLineF(a.bottomRight(), b.bottomRight()).length() < 0.01;
}

struct CellCase {
    const char* format;
    int k;           // the image box drawn
    QRectF cell;     // where its cell lies on the page
};

void PrintTo(const CellCase& c, std::ostream* os) { *os << c.format << " box " << c.k; }

class GridCell : public testing::TestWithParam<CellCase> {};

// A square picture fills its cell's shorter side, centred: its centre is the cell's.
TEST_P(GridCell, HoldsTheKthImageBoxLineByLine)
{
    Film film(GetParam().format);
    film.setImage(GetParam().k, greyPicture(96, 96));
    const FilmPage page = film.page();
    ASSERT_EQ(page.cells.size(), film.film.imageBoxes.size());
    const QRectF picture = page.cells.at(std::size_t(GetParam().k) - 1).picture.value().target;
    const QRectF& cell = GetParam().cell;
    EXPECT_NEAR(picture.center().x(), cell.center().x(), 0.5);
    EXPECT_NEAR(picture.center().y(), cell.center().y(), 0.5);
    EXPECT_NEAR(picture.width(), std::min(cell.width(), cell.height()), 0.01);
}

INSTANTIATE_TEST_SUITE_P(Layouts, GridCell,
                         testing::Values(CellCase{"STANDARD\\2,3", 4, {5760, 5280, 5760, 5280}},
                                         CellCase{"ROW\\2,1", 2, {5760, 0, 5760, 7920}},
                                         CellCase{"ROW\\2,1", 3, {0, 7920, 11520, 7920}},
                                         CellCase{"ROW\\1,2,3", 2, {0, 5280, 5760, 5280}},
                                         CellCase{"ROW\\1,2,3", 6, {7680, 10560, 3840, 5280}},
                                         CellCase{"COL\\3,2", 3, {0, 10560, 5760, 5280}},
                                         CellCase{"COL\\3,2", 4, {5760, 0, 5760, 7920}}));

TEST(HeaderBand, CaptionLinesSitLeftAndRightAndTheGridBeginsBelowTheLowerSide)
{
    Film film("STANDARD\\1,1");
    film.settings.configuration.headerLeft = HeaderLines{"first", "", "third"};
    film.settings.configuration.headerRight = HeaderLines{"right"};
    film.setImage(1, greyPicture(1000, 100)); // very wide: width-limited
    const FilmPage page = film.page();
    ASSERT_EQ(page.captions.size(), 4u);
    EXPECT_EQ(page.captions[1].text, "");
    EXPECT_EQ(page.captions[2].baseline, QPointF(0, 480 + 180));
    EXPECT_EQ(page.captions[3].text, "right");
    EXPECT_EQ(page.captions[3].baseline, QPointF(PageWidth - 5 * 100, 180)); // level with the first left line
    // Three lines of 240 above a cell of 11520 x 15120.
    const QRectF picture = page.cells.at(0).picture.value().target;
    EXPECT_EQ(picture.x(), 0);
    EXPECT_NEAR(picture.width(), PageWidth, 0.01);
    EXPECT_NEAR(picture.y(), 720 + (15120 - picture.height()) / 2, 0.5);
}

struct LogoCase {
    const char* name;
    HeaderLines left;
    HeaderLines right;
    std::int32_t logoHimetric; // height and width
    double expectedX;
    double expectedBand;
};

class HeaderLogo : public testing::TestWithParam<LogoCase> {};

TEST_P(HeaderLogo, TakesTheFreeSideAndRaisesTheBandOnlyWhenTaller)
{
    const LogoCase& c = GetParam();
    Film film("STANDARD\\1,1");
    film.settings.configuration.headerLeft = c.left;
    film.settings.configuration.headerRight = c.right;
    film.frame.logo = greyPicture(2, 2);
    film.frame.logo->widthHimetric = film.frame.logo->heightHimetric = c.logoHimetric;
    // A tall picture is height-limited, so it starts right below the band.
    film.setImage(1, greyPicture(10, 1000));
    const FilmPage page = film.page();
    ASSERT_TRUE(page.logo);
    EXPECT_EQ(page.logo->target.topLeft(), QPointF(c.expectedX, 0));
    EXPECT_EQ(page.cells.at(0).picture.value().target.y(), c.expectedBand);
}

// 864 HIMETRIC is 490 twips, 829 is 470: ten twips above and below two lines of text (480).
INSTANTIATE_TEST_SUITE_P(
    Placements, HeaderLogo,
    testing::Values(LogoCase{"BothSidesCentred", {"a", "b"}, {"c"}, 864, PageWidth / 2 - 245, 490 + 150},
                    LogoCase{"LeftEmptyGoesLeft", {}, {"a", "b"}, 864, 0, 640},
                    LogoCase{"RightEmptyGoesRight", {"a", "b"}, {}, 829, PageWidth - 470, 480},
                    LogoCase{"NoTextGoesLeft", {}, {}, 2540, 0, 1440 + 150}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailedFilmCase {
    const char* name;
    std::function<Film()> film;
    const char* error;
};

class FailedFilm : public testing::TestWithParam<FailedFilmCase> {};

TEST_P(FailedFilm, RaisesItsErrorAndPrintsNothing)
{
    const Film film = GetParam().film();
    test::RecordingPrinters printers;
    try {
        printFilm(film.film, film.settings, *printers.open("Film Printer"));
        ADD_FAILURE() << "printed";
    } catch (const AppError& error) {
        EXPECT_EQ(std::to_string(error.number()) + " " + error.description(), GetParam().error);
    }
    EXPECT_TRUE(printers.pages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FailedFilm,
    testing::Values(FailedFilmCase{"NoColumns", [] { return Film("STANDARD\\0,1"); }, "11 Division by zero"},
                    FailedFilmCase{"Slide", [] { return Film("SLIDE"); }, "5 Invalid procedure call or argument"},
                    FailedFilmCase{"FewerImageBoxesThanCells",
                                   [] {
                                       Film film("STANDARD\\2,2", 3);
                                       for (int k = 1; k <= 3; ++k)
                                           film.setImage(k, greyPicture(96, 96));
                                       return film;
                                   },
                                   "9 Subscript out of range"},
                    FailedFilmCase{"CaptionsNeverRead",
                                   [] {
                                       Film film("STANDARD\\1,1");
                                       film.settings.configuration.headerRight.reset();
                                       return film;
                                   },
                                   "91 Object variable or With block variable not set"}),
    [](const auto& info) { return std::string(info.param.name); });

// The whole page goes to the printer as it was laid out, the logo read from its file, and the
// film leaves the images folder.
TEST(PrintFilm, PrintsThePageItReturnsAndMakesTheImagesFolder)
{
    test::TempProgramFolder folder;
    Film film("STANDARD\\2,1");
    film.settings.configuration.headerLeft = HeaderLines{"Ward 3"};
    film.settings.configuration.settings.ImagePath = (folder / "logo.png").string();
    ASSERT_TRUE(QImage(20, 10, QImage::Format_Grayscale8).save(QString::fromStdString(film.settings.configuration.settings.ImagePath)));
    film.film.filmBox.add(PrintTag::BorderDensity, std::string("BLACK"));
    film.setImage(2, greyPicture(96, 96));
    test::RecordingPrinters printers;
    printers.setCapabilities(FilmPdfPrinter().capabilities());
    const FilmPage page = printFilm(film.film, film.settings, *printers.open("Film Printer"));
    const auto printed = printers.pages();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].setup, page.setup);
    EXPECT_EQ(printed[0].texts, (std::vector{std::pair(page.captions.at(0).baseline, QString("Ward 3"))}));
    ASSERT_EQ(printed[0].pictures.size(), 2u);
    EXPECT_EQ(printed[0].pictures[0].target, page.logo.value().target);
    EXPECT_EQ(printed[0].pictures[1].target, page.cells.at(1).picture.value().target);
    EXPECT_EQ(printed[0].rectangles, (std::vector{std::pair(page.border.value().area, std::uint8_t{0}),
                                                  std::pair(page.cells.at(0).fill.value().area, std::uint8_t{255})}));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "images"));
}

// Only upper-case PORTRAIT is portrait; an absent orientation must not keep a film from
// printing. The built-in printer's film sizes, DICOM's note on 10INX14IN among them; A4 for any
// other.
TEST(FilmPageSetup, OrientationCopiesAndPaperComeFromTheFilmOnPrintersThatTakeThem)
{
    Film film("STANDARD\\1,1");
    const PrinterCapabilities plain = plainFrame().printer;
    for (const auto& [text, orientation] : {std::pair<const char*, Orientation>{"PORTRAIT", Orientation::Portrait},
                                            {"LANDSCAPE", Orientation::Landscape}, {"portrait", Orientation::Landscape},
                                            {"", Orientation::Landscape}, {nullptr, Orientation::Landscape}}) {
        if (text)
            film.film.filmBox.add(PrintTag::FilmOrientation, std::string(text));
        else
            film.film.filmBox.remove(PrintTag::FilmOrientation);
        EXPECT_EQ(filmPageSetup(film.film, plain).orientation, orientation) << (text ? text : "absent");
    }
    const PrinterCapabilities filmLike = FilmPdfPrinter().capabilities();
    const auto paper = [&](const char* filmSize, const PrinterCapabilities& printer) {
        film.film.filmBox.add(PrintTag::FilmSizeId, std::string(filmSize));
        return filmPageSetup(film.film, printer).paper;
    };
    EXPECT_EQ(paper("14INX17IN", filmLike), (PaperSize{355.6, 431.8}));
    EXPECT_EQ(paper("10INX14IN", filmLike), (PaperSize{257.0, 364.0}));
    EXPECT_EQ(paper("35MMX35MM", filmLike), (PaperSize{210, 297}));
    EXPECT_EQ(paper("14INX17IN", plain), std::nullopt);

    EXPECT_EQ(filmPageSetup(film.film, plain).copies, 1);
    film.film.filmSession.add(PrintTag::NumberOfCopies, std::string("3"));
    EXPECT_EQ(filmPageSetup(film.film, plain).copies, 3);
    film.film.filmSession.add(PrintTag::NumberOfCopies, std::string("32768"));
    EXPECT_THROW(filmPageSetup(film.film, plain), AppError);
}

// ---- what a requester sets on the film box and the image boxes ----

struct AttributeCase {
    const char* name;
    std::vector<Attribute> filmBox;
    std::vector<Attribute> imageBox;
};

// A 2 x 1 film with image 1 only and the attributes given set.
Film filmWith(const AttributeCase& c, const Picture& picture)
{
    Film film("STANDARD\\2,1");
    for (const auto& attribute : c.filmBox)
        film.film.filmBox.add(attribute);
    film.setImage(1, picture);
    for (const auto& attribute : c.imageBox)
        film.box(1).attributes.add(attribute);
    return film;
}

Attribute text(Tag tag, const char* value) { return Attribute(tag, "CS", std::string(value)); }

struct RenditionCase : AttributeCase {
    std::int16_t lutSetting;
    bool lutComplete;
    int centreGrey;
};

class Rendition : public testing::TestWithParam<RenditionCase> {};

// The LUT's entry i gives level 2i: grey 200 is entry 35.3 of 45, printed as 71. A picture the
// film leaves as it is keeps the compressed pixels it came with.
TEST_P(Rendition, ReversesAndAppliesTheLutOnlyWhenSetToOneAndComplete)
{
    const Picture sent = greyPicture(16, 16, 200);
    Film film = filmWith(GetParam(), sent);
    film.settings.configuration.settings.LUT = GetParam().lutSetting;
    for (std::size_t i = 0; i < LutEntries; ++i)
        film.settings.lut.table[i] = static_cast<std::int32_t>(2 * i * 256);
    film.settings.lut.complete = GetParam().lutComplete;
    const Picture printed = film.pictureIn(1).picture;
    EXPECT_NEAR(qGray(withImage(printed).image.pixel(8, 8)), GetParam().centreGrey, 1);
    EXPECT_EQ(printed.compressed == sent.compressed, GetParam().centreGrey == 200);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Rendition,
    testing::Values(RenditionCase{{"Normal", {}, {text(PrintTag::Polarity, "NORMAL")}}, 0, true, 200},
                    RenditionCase{{"Reverse", {}, {text(PrintTag::Polarity, "REVERSE")}}, 0, true, 55},
                    RenditionCase{{"Lut", {}, {}}, 1, true, 71},
                    RenditionCase{{"LutIncomplete", {}, {}}, 1, false, 200},
                    RenditionCase{{"LutSettingTwo", {}, {}}, 2, true, 200}),
    [](const auto& info) { return std::string(info.param.name); });

struct MagnificationCase : AttributeCase {
    bool resampled;    // to the printer's 300 dpi
    bool interpolated; // more grey levels than the three of the picture sent
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
    const PlacedPicture placed = filmWith(GetParam(), greyPicture(8, 8)).pictureIn(1);
    const QImage image = withImage(placed.picture).image;
    const QSize printerPixels(qRound(placed.target.width() * 300 / 1440), qRound(placed.target.height() * 300 / 1440));
    EXPECT_EQ(image.size(), GetParam().resampled ? printerPixels : QSize(8, 8));
    EXPECT_EQ(greyLevels(image) > 3, GetParam().interpolated);
}

Attribute magnification(const char* type) { return text(PrintTag::MagnificationType, type); }

INSTANTIATE_TEST_SUITE_P(
    Types, Magnification,
    testing::Values(MagnificationCase{{"Absent", {}, {}}, false, false},
                    MagnificationCase{{"Replicate", {magnification("REPLICATE")}, {}}, true, false},
                    MagnificationCase{{"None", {magnification("NONE")}, {}}, true, false},
                    MagnificationCase{{"Bilinear", {magnification("BILINEAR")}, {}}, true, true},
                    MagnificationCase{{"CubicOnTheImageBoxWins", {magnification("REPLICATE")}, {magnification("CUBIC")}},
                                      true, true},
                    MagnificationCase{{"Unknown", {magnification("ZOOM")}, {}}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// At 600 dpi one inch holds 600 pixels: a finer picture is reduced to that and keeps its level
// and its grey; one coarser either way is kept as it came.
TEST(PrintedPicture, FinerThanThePrinterIsReducedToItsResolution)
{
    const auto printed = [](const Picture& picture, QSizeF twips) { return printedPicture(picture, twips, {}, 600); };
    const Picture reduced = withImage(printed(greyPicture(1500, 1200, 100), QSizeF(1440, 1440)));
    EXPECT_EQ(reduced.image.size(), QSize(600, 600));
    EXPECT_EQ(reduced.image.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(qGray(reduced.image.pixel(300, 300)), 100);
    EXPECT_EQ(withImage(printed(greyPicture(1500, 1300), QSizeF(1440, 720))).image.size(), QSize(600, 300));
    const Picture coarse = greyPicture(500, 2000);
    EXPECT_EQ(printed(coarse, QSizeF(1440, 1440)).compressed, coarse.compressed);
}

struct SizeCase : AttributeCase {
    double width; // twips
};

class RequestedImageSize : public testing::TestWithParam<SizeCase> {};

// The cell is 5760 x 15840 twips; 50 mm is 2834.6 twips, 120 mm does not fit.
TEST_P(RequestedImageSize, PrintsThatWidthCentredWhenItFits)
{
    const QRectF picture = filmWith(GetParam(), greyPicture(96, 96)).pictureIn(1).target;
    EXPECT_NEAR(picture.width(), GetParam().width, 0.01);
    EXPECT_NEAR(picture.center().x(), 2880, 0.5);
    EXPECT_NEAR(picture.center().y(), 7920, 0.5);
}

Attribute size(const char* mm) { return Attribute(PrintTag::RequestedImageSize, "DS", std::string(mm)); }

INSTANTIATE_TEST_SUITE_P(Sizes, RequestedImageSize,
                         testing::Values(SizeCase{{"Absent", {}, {}}, 5760},
                                         SizeCase{{"Fits", {}, {size("50")}}, 50 * 1440 / 25.4},
                                         SizeCase{{"TooWide", {}, {size("120")}}, 5760},
                                         SizeCase{{"Unreadable", {}, {size("5O")}}, 5760}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SizingCase : AttributeCase {
    int printerDpi;
    QSize sent;     // the picture's pixels
    QSizeF target;  // twips on the page
    QSize printed;  // the pixels that go to the printer
};

class Sizing : public testing::TestWithParam<SizingCase> {};

// The cell is 5760 x 15840 twips. A pixel per dot at 300 dpi makes 2400 x 600 pixels 11520 x 2880
// twips, too wide: decimated it is fitted, cropped its centre half shows at full size.
TEST_P(Sizing, FollowsResolutionAndDecimateOrCrop)
{
    Film film = filmWith(GetParam(), greyPicture(GetParam().sent.width(), GetParam().sent.height()));
    film.frame.printer.dotsPerInch = GetParam().printerDpi;
    const PlacedPicture placed = film.pictureIn(1);
    EXPECT_NEAR(placed.target.width(), GetParam().target.width(), 0.5);
    EXPECT_NEAR(placed.target.height(), GetParam().target.height(), 0.5);
    EXPECT_NEAR(placed.target.center().x(), 2880, 0.5);
    EXPECT_EQ(withImage(placed.picture).image.size(), GetParam().printed);
}

Attribute behaviour(const char* type) { return text(PrintTag::RequestedDecimateCropBehavior, type); }
Attribute resolution(const char* id) { return text(PrintTag::RequestedResolutionId, id); }

INSTANTIATE_TEST_SUITE_P(
    Cases, Sizing,
    testing::Values(
        SizingCase{{"NoneDecimated", {magnification("NONE")}, {behaviour("DECIMATE")}}, 300, {2400, 600}, {5760, 1440}, {1200, 300}},
        SizingCase{{"NoneCropped", {magnification("NONE")}, {behaviour("CROP")}}, 300, {2400, 600}, {5760, 2880}, {1200, 600}},
        SizingCase{{"NoneFitsAndIsEnlarged", {}, {magnification("NONE"), behaviour("CROP")}}, 300, {600, 150}, {5760, 1440}, {1200, 300}},
        SizingCase{{"SizeCropped", {}, {size("300"), behaviour("CROP")}}, 300, {2400, 600}, {5760, 4252}, {813, 600}},
        SizingCase{{"Standard", {resolution("STANDARD")}, {}}, 600, {4800, 1200}, {5760, 1440}, {1200, 300}},
        SizingCase{{"High", {resolution("HIGH")}, {}}, 600, {4800, 1200}, {5760, 1440}, {2400, 600}},
        SizingCase{{"HighBoundedByThePrinter", {resolution("HIGH")}, {}}, 300, {4800, 1200}, {5760, 1440}, {1200, 300}}),
    [](const auto& info) { return std::string(info.param.name); });

// FAIL prints nothing of a picture too large at its size; Trim frames each picture within its edges.
TEST(FilmCells, FailRefusesTheOversizedPictureAndTrimFramesEachPicture)
{
    Film failing = filmWith({"Fail", {}, {size("300"), behaviour("FAIL")}}, greyPicture(96, 96));
    EXPECT_THROW(failing.page(), ImageLargerThanCell);
    Film trimmed = filmWith({"Trim", {text(PrintTag::Trim, "YES")}, {}}, greyPicture(96, 96));
    const FilmCell cell = trimmed.page().cells.at(0);
    ASSERT_EQ(cell.frame.size(), 4u);
    for (const FilledArea& edge : cell.frame) {
        EXPECT_TRUE(cell.picture->target.contains(edge.area)) << "an edge outside the picture";
        EXPECT_EQ(std::min(edge.area.width(), edge.area.height()), 10.0);
    }
    EXPECT_TRUE(filmWith({"NoTrim", {text(PrintTag::Trim, "NO")}, {}}, greyPicture(96, 96)).page().cells.at(0).frame.empty());
}

// CORNERS: position 1 lower left, 2 lower right, on a caption line the grid gives up.
TEST(Annotations, TextsSitUnderTheGridAtTheirPositions)
{
    Film film("STANDARD\\1,1");
    film.film.filmBox.add(text(PrintTag::AnnotationDisplayFormatId, "CORNERS"));
    for (const auto& [position, words] : {std::pair{2, "RIGHT"}, std::pair{1, "LEFT"}}) {
        DataSet box;
        box.add(PrintTag::AnnotationPosition, Numbers{double(position)});
        box.add(PrintTag::TextString, std::string(words));
        film.film.annotationBoxes.push_back(box);
    }
    film.setImage(1, greyPicture(96, 96));
    const FilmPage page = film.page();
    ASSERT_EQ(page.captions.size(), 2u);
    EXPECT_EQ(page.captions[0].text, "RIGHT");
    EXPECT_EQ(page.captions[0].baseline, QPointF(PageWidth - 500, PageHeight - 240 + 180));
    EXPECT_EQ(page.captions[1].baseline, QPointF(0, PageHeight - 240 + 180));
    EXPECT_LE(page.cells.at(0).picture->target.bottom(), PageHeight - 240);
}

struct DensityCase : AttributeCase {
    bool filmLike;
    std::vector<std::string> fills; // "x y w h grey", in drawing order
};

class Densities : public testing::TestWithParam<DensityCase> {};

// Cell 2 of the 2 x 1 film is empty.
TEST_P(Densities, ApplyOnFilmLikePrintersOnly)
{
    Film film = filmWith(GetParam(), greyPicture(96, 96));
    if (GetParam().filmLike)
        film.frame.printer = FilmPdfPrinter().capabilities();
    const FilmPage page = film.page();
    std::vector<FilledArea> areas;
    if (page.border)
        areas.push_back(*page.border);
    for (const FilmCell& cell : page.cells)
        if (cell.fill)
            areas.push_back(*cell.fill);
    std::vector<std::string> fills;
    for (const auto& [r, grey] : areas)
        fills.push_back(QStringLiteral("%1 %2 %3 %4 %5").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).arg(int(grey)).toStdString());
    EXPECT_EQ(fills, GetParam().fills);
}

const Attribute BlackBorder = text(PrintTag::BorderDensity, "BLACK");
const Attribute BlackEmpty = text(PrintTag::EmptyImageDensity, "BLACK");

INSTANTIATE_TEST_SUITE_P(
    Values, Densities,
    testing::Values(DensityCase{{"Plain", {}, {}}, true, {}},
                    DensityCase{{"BlackBorder", {BlackBorder}, {}}, true, {"0 0 11520 15840 0", "5760 0 5760 15840 255"}},
                    DensityCase{{"BothBlack", {BlackBorder, BlackEmpty}, {}}, true, {"0 0 11520 15840 0"}},
                    DensityCase{{"BlackEmptyOnly", {BlackEmpty}, {}}, true, {"5760 0 5760 15840 0"}},
                    DensityCase{{"SystemPrinterKeepsItsLook", {BlackBorder, BlackEmpty}, {}}, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The preview shows the grid alone over the whole preview: 2 x 1 cells of 2400 x 3600 in a
// 4800 x 3600 preview, the square pictures width-limited and centred.
TEST(FilmPreview, LaysTheCellsOverTheWholePreview)
{
    Film film("STANDARD\\2,1");
    film.settings.configuration.headerLeft = HeaderLines{"not in the preview"};
    film.setImage(1, greyPicture(96, 96));
    film.setImage(2, greyPicture(96, 96));
    const auto placed = previewPictures(film.page(), QSizeF(4800, 3600));
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_TRUE(near(placed[0].target, QRectF(0, 600, 2400, 2400)));
    EXPECT_TRUE(near(placed[1].target, QRectF(2400, 600, 2400, 2400)));
}

} // namespace
} // namespace kestrova
