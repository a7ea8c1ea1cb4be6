// A film page through the real chain: a DICOM image in the data model, rendered by DCMTK
// through the LUT as loaded from Kestrova.lut, printed on the built-in PDF printer and read
// back with poppler.

#include "core/global_settings.h"
#include "printing/null_preview_surface.h"
#include "printing/pdf_tools.h"
#include "printing/qt_printer_device.h"
#include "render/film_print.h"
#include "toolkit/dimse_status.h"
#include "toolkit/print_tags.h"
#include "toolkit/sop_classes.h"

#include "support/print_jobs.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace test;

// A store holding one film session and a one-cell film box whose image is level 200 of 255
// (with one black and one white pixel, so that the full-range window is the image's own).
CollectionPtr filmStore()
{
    ImageSpec imageSpec;
    imageSpec.rows = 120;
    imageSpec.columns = 120;
    imageSpec.pixel = [](int row, int column, int) -> std::uint16_t {
        return row == 0 && column < 2 ? static_cast<std::uint16_t>(255 * column) : 200;
    };
    auto store = makeCollection();
    auto session = std::make_shared<DataSet>();
    session->setSopInstanceUid("1.9.1");
    session->add(SopClassUidTag, std::string(SopClass::BasicFilmSession));
    store->add(session);
    DataSetPtr imageBox = referenceTo(SopClass::BasicGrayscaleImageBox, "1.9.3")->item(1);
    imageBox->setSopInstanceUid("1.9.3");
    const DataSetPtr modification = makeImageBoxModification(imageSpec);
    for (const auto& attribute : modification->attributes())
        imageBox->add(attribute);
    store->add(imageBox);
    auto imageBoxes = makeCollection();
    imageBoxes->add(imageBox);
    DataSetPtr filmBox = filmBoxAttributes("STANDARD\\1,1", "1.9.1");
    filmBox->setSopInstanceUid("1.9.2");
    filmBox->add(SopClassUidTag, std::string(SopClass::BasicFilmBox));
    filmBox->add(PrintTag::ReferencedImageBoxSequence, imageBoxes);
    store->add(filmBox);
    return store;
}

struct LutCase {
    std::int16_t flag;
    int values; // in Kestrova.lut; 0 for no file
    int expectedGrey;
};

void PrintTo(const LutCase& c, std::ostream* os) { *os << "LUT=" << c.flag << ", " << c.values << " values"; }

class FilmPageLut : public testing::TestWithParam<LutCase> {};

// The output curve applies only when the LUT setting is exactly 1 and the latest load of
// Kestrova.lut set every entry: a fresh folder without the file, or a file that is too
// short, must not print the film black.
TEST_P(FilmPageLut, IsUsedOnlyWhenTheSettingIsOneAndTheFileWasComplete)
{
    TempProgramFolder folder;
    std::string text;
    for (int i = 0; i < GetParam().values; ++i)
        text += (i ? ";" : "") + std::to_string(2 * i);
    if (GetParam().values > 0)
        writeFile(folder / "Kestrova.lut", text);
    const Settings settings{"KODAK", 4006, "AGFA", "Kestrova PDF", "DejaVu Sans", 10, GetParam().flag, ""};
    LutState lut;
    LoadLutTable(lut, settings);
    QtPrinterDevice printer;
    NullPreviewSurface preview;
    const std::optional<HeaderLines> none = HeaderLines{};
    const PrintContext context{filmStore(), settings, none, none, lut, printer, preview, [] { return false; }};
    ASSERT_EQ(DoPrint("1.9.2", context), DimseStatus::Success);
    EXPECT_EQ(pdfInfo(printer.lastOutputFile()).pages, 1);
    const QImage page = renderGray(printer.lastOutputFile(), 50);
    EXPECT_NEAR(qGray(page.pixel(page.width() / 2, page.height() / 2)), GetParam().expectedGrey, 6);
}

// Input 200 is entry 35.3 of 45: 70.6 through a curve whose entry i gives level 2i.
INSTANTIATE_TEST_SUITE_P(Settings, FilmPageLut,
                         testing::Values(LutCase{2, 46, 200}, LutCase{1, 46, 71}, LutCase{1, 0, 200},
                                         LutCase{1, 40, 200}));

} // namespace
} // namespace kestrova
