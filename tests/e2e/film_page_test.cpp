// A whole film page through the real chain: DICOM images in the data model, rendered by
// DCMTK, laid out and printed on the built-in PDF printer, read back with poppler.

#include "core/global_settings.h"
#include "printing/null_preview_surface.h"
#include "printing/pdf_tools.h"
#include "printing/qt_printer_device.h"
#include "render/film_print.h"
#include "toolkit/dimse_status.h"
#include "toolkit/print_tags.h"
#include "toolkit/sop_classes.h"

#include "support/temp_folder.h"
#include "support/test_scu.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace test;

constexpr double MarginTwips = 1440.0 / 4; // the built-in printer's printable area starts a quarter inch in

DataSetPtr referenceItem(const std::string& classUid, const std::string& uid)
{
    auto item = std::make_shared<DataSet>();
    item->add(ReferencedSopClassUidTag, classUid);
    item->add(ReferencedSopInstanceUidTag, uid);
    return item;
}

struct CellImage {
    ImageSpec imageSpec;
    int expectedGrey;
};

ImageSpec flat(int bitsStored, Photometric photometric, std::uint16_t r, std::uint16_t g = 0, std::uint16_t b = 0)
{
    ImageSpec imageSpec;
    imageSpec.rows = 120;
    imageSpec.columns = 120;
    imageSpec.bitsStored = bitsStored;
    imageSpec.photometric = photometric;
    // One corner pixel at each end of the range, so the full-range window is the image's own.
    const std::uint16_t top = static_cast<std::uint16_t>((1 << bitsStored) - 1);
    imageSpec.pixel = [=](int row, int column, int sample) -> std::uint16_t {
        if (row == 0 && column == 0)
            return 0;
        if (row == 0 && column == 1)
            return top;
        return sample == 0 ? r : sample == 1 ? g : b;
    };
    return imageSpec;
}

// A store holding one film session and a film box with one image box per image, in order.
CollectionPtr filmStore(const std::string& format, const std::vector<ImageSpec>& images)
{
    auto store = makeCollection();
    auto session = std::make_shared<DataSet>();
    session->setSopInstanceUid("1.9.1");
    session->add(SopClassUidTag, std::string(SopClass::BasicFilmSession));
    store->add(session);
    auto filmBox = std::make_shared<DataSet>();
    filmBox->setSopInstanceUid("1.9.2");
    filmBox->add(SopClassUidTag, std::string(SopClass::BasicFilmBox));
    filmBox->add(PrintTag::ImageDisplayFormat, format);
    filmBox->add(PrintTag::FilmOrientation, std::string("PORTRAIT"));
    auto sessions = makeCollection();
    sessions->add(referenceItem(SopClass::BasicFilmSession, "1.9.1"));
    filmBox->add(PrintTag::ReferencedFilmSessionSequence, sessions);
    auto imageBoxes = makeCollection();
    for (std::size_t k = 0; k < images.size(); ++k) {
        const std::string uid = "1.9.3." + std::to_string(k + 1);
        DataSetPtr imageBox = referenceItem(SopClass::BasicColorImageBox, uid);
        imageBox->setSopInstanceUid(uid);
        const DataSetPtr modification = makeImageBoxModification(images[k]);
        for (const auto& attribute : modification->attributes())
            imageBox->add(attribute);
        imageBoxes->add(imageBox);
        store->add(imageBox);
    }
    filmBox->add(PrintTag::ReferencedImageBoxSequence, imageBoxes);
    store->add(filmBox);

    return store;
}

TEST(FilmPage, FourImagesAndTwoCaptionLinesBecomeOneLosslessPage)
{
    TempProgramFolder folder;
    const std::vector<CellImage> cells = {
        {flat(8, Photometric::Monochrome2, 64), 64},
        {flat(12, Photometric::Monochrome2, 3000), 187},         // 3000 of 4095
        {flat(8, Photometric::Monochrome1, 50), 205},            // inverted
        {flat(8, Photometric::RgbInterleaved, 40, 170, 220), 136}, // luminance of the colour
    };

    std::vector<ImageSpec> imageSpecs;
    for (const auto& cell : cells)
        imageSpecs.push_back(cell.imageSpec);
    const CollectionPtr store = filmStore("STANDARD\\2,2", imageSpecs);

    const Settings settings{"KODAK", 4006, "KODAK", "Kestrova PDF", "DejaVu Sans", 12, 0, ""};
    const std::optional<HeaderLines> left = HeaderLines{"Radiology Ward3", "Patient Film"};
    const std::optional<HeaderLines> right = HeaderLines{};
    const LutState lut;
    QtPrinterDevice printer;
    NullPreviewSurface preview;
    const PrintContext context{store, settings, left, right, lut, printer, preview, [] { return false; }, [] {}};
    ASSERT_EQ(DoPrint("1.9.2", context), DimseStatus::Success);

    const auto pdf = printer.lastOutputFile();
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_EQ(pdfInfo(pdf).pages, 1);
    const std::string text = pdfText(pdf);
    EXPECT_NE(text.find("Radiology Ward3"), std::string::npos) << text;
    EXPECT_NE(text.find("Patient Film"), std::string::npos) << text;
    const auto images = pdfImages(pdf);
    EXPECT_EQ(images.size(), 4u);
    for (const auto& image : images)
        EXPECT_EQ(image.encoding, "image") << "stored as " << image.encoding;

    // The grid fills the printable area below the caption lines; pictures sit centred in their cells.
    const int dpi = 50;
    const QImage page = renderGray(pdf, dpi);
    const double width = printer.scaleWidth();
    const auto words = pdfWords(pdf);
    ASSERT_FALSE(words.empty());
    double bandBottomPoints = 0;
    for (const auto& word : words)
        bandBottomPoints = std::max(bandBottomPoints, word.yMax);
    const double top = bandBottomPoints * 20 - MarginTwips; // points to twips, from the printable area's top
    const double cellHeight = (printer.scaleHeight() - top) / 2;
    for (int k = 0; k < 4; ++k) {
        const double x = MarginTwips + width / 2 * (k % 2 + 0.5);
        const double y = MarginTwips + top + cellHeight * (k / 2 + 0.5);
        const int grey = qGray(page.pixel(static_cast<int>(x / 1440 * dpi), static_cast<int>(y / 1440 * dpi)));
        EXPECT_NEAR(grey, cells[static_cast<std::size_t>(k)].expectedGrey, 6) << "cell " << k + 1;
    }
}

// The output curve applies only when the LUT setting is exactly 1 and the latest load of
// Kestrova.lut set every entry: a fresh folder without the file, or a file that is too
// short, must not print the film black.
TEST(FilmPage, TheLutCurveIsUsedOnlyWhenTheSettingIsOneAndTheFileWasComplete)
{
    struct LutCase {
        std::int16_t flag;
        int values; // in Kestrova.lut; 0 for no file
        int expectedGrey;
    };
    const CollectionPtr store = filmStore("STANDARD\\1,1", {flat(8, Photometric::Monochrome2, 200)});
    const std::optional<HeaderLines> none = HeaderLines{};
    // Input 200 is entry 35.3 of 45: 70.6 through a curve whose entry i gives level 2i.
    for (const LutCase lutCase : {LutCase{2, 46, 200}, LutCase{1, 46, 71}, LutCase{1, 0, 200}, LutCase{1, 40, 200}}) {
        TempProgramFolder folder;
        std::string text;
        for (int i = 0; i < lutCase.values; ++i)
            text += (i ? ";" : "") + std::to_string(2 * i);
        if (lutCase.values > 0)
            writeFile(folder / "Kestrova.lut", text);
        const Settings settings{"KODAK", 4006, "KODAK", "Kestrova PDF", "DejaVu Sans", 10, lutCase.flag, ""};
        LutState lut;
        LoadLutTable(lut, settings);
        QtPrinterDevice printer;
        NullPreviewSurface preview;
        const PrintContext context{store, settings, none, none, lut, printer, preview, [] { return false; }, [] {}};
        ASSERT_EQ(DoPrint("1.9.2", context), DimseStatus::Success);
        const QImage page = renderGray(printer.lastOutputFile(), 50);
        const int grey = qGray(page.pixel(page.width() / 2, page.height() / 2));
        EXPECT_NEAR(grey, lutCase.expectedGrey, 6) << "LUT " << lutCase.flag << ", " << lutCase.values << " values";
    }
}

} // namespace
} // namespace kestrova
