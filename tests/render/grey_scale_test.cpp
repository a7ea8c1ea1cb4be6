// The printed grey scale against PS3.14: the GSDF's own table, the transmissive example of its
// Annex D, and what Min and Max Density, LIN OD and the printer's densities make of it.
#include "core/errors.h"
#include "core/text_file.h"
#include "data/print_tags.h"
#include "render/print_grey_scale.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

// PS3.14 Table B-1: index and luminance, to its four decimals; the formula is within 0.3 % of
// the log of each.
TEST(GrayscaleStandardDisplayFunction, FollowsItsTable)
{
    const std::pair<double, double> table[] = {{1, 0.0500}, {2, 0.0547}, {1022, 3967.5470}, {1023, 3993.4040}};
    for (const auto& [index, luminance] : table) {
        EXPECT_NEAR(gsdfLuminance(index), luminance, luminance * 0.001) << index;
        EXPECT_NEAR(gsdfJndIndex(luminance), index, 0.5) << luminance;
    }
}

// PS3.14 D.2: L0 2000 cd/m², La 10 cd/m², densities 0.20 to 3.00 give Lmin 12 cd/m² at
// j 233.32, and Table D.2-1 the density of each 8-bit P-value (three decimals).
TEST(GrayscaleStandardDisplayFunction, GivesTheDensitiesOfAnnexD)
{
    const HardcopyLight lightBox{2000, 10};
    EXPECT_NEAR(gsdfJndIndex(lightBox.luminanceOf(3.0)), 233.32, 0.05);
    const std::pair<int, double> tableD21[] = {{0, 3.000}, {1, 2.936}, {64, 1.698}, {128, 1.122}, {192, 0.641}, {255, 0.200}};
    for (const auto& [pValue, density] : tableD21)
        EXPECT_NEAR(gsdfDensity(pValue / 255.0, 0.2, 3.0, lightBox), density, 0.0015) << pValue;
}

// A printer whose drive level is linear in density, 0 OD (level 255) to 2 OD (level 0).
const PrinterDensities LinearPrinter({2.0, 0.0});

DensityRequest densities(double minHundredths, double maxHundredths)
{
    DataSet filmBox;
    filmBox.add(PrintTag::MinDensity, Numbers{minHundredths});
    filmBox.add(PrintTag::MaxDensity, Numbers{maxHundredths});
    return densityRequestOf(filmBox);
}

// LIN OD prints density linear in P from Max Density down to Min Density; IDENTITY follows the
// GSDF, lighter than that in the middle, as PS3.14's curve bends towards the dark end.
TEST(PrintGreyScale, LinOdIsLinearInDensityAndIdentityFollowsTheGsdf)
{
    const DensityRequest request = densities(20, 180);
    const LevelCurve linear = printGreyScale({PresentationCurve::Shape::LinearDensity, {}}, request, LinearPrinter);
    for (int level : {0, 51, 128, 204, 255}) // density 1.8 - 1.6 x level / 255, at level 255 x (1 - density / 2)
        EXPECT_NEAR(linear[std::size_t(level)], 255.0 * (1.0 - (1.8 - 1.6 * level / 255.0) / 2.0), 0.5) << level;
    const LevelCurve gsdf = printGreyScale({}, request, LinearPrinter);
    EXPECT_NEAR(gsdf[0], linear[0], 1);
    EXPECT_NEAR(gsdf[255], linear[255], 1);
    EXPECT_GT(gsdf[128], linear[128] + 10);
}

// Beyond what the printer prints, Max Density is the printer's darkest; without densities the
// film spans the printer's whole range; a LUT of its own reorders the P-values.
TEST(PrintGreyScale, ClampsToThePrinterAndTakesItsRangeByDefault)
{
    const PresentationCurve identity;
    EXPECT_EQ(printGreyScale(identity, densities(0, 400), LinearPrinter), printGreyScale(identity, {}, LinearPrinter));
    const LevelCurve whole = printGreyScale(identity, {}, LinearPrinter);
    EXPECT_EQ(whole[0], 0);
    EXPECT_EQ(whole[255], 255);
    const PresentationCurve reversed{PresentationCurve::Shape::Table, {1.0, 0.5, 0.0}};
    const LevelCurve table = printGreyScale(reversed, {}, LinearPrinter);
    EXPECT_EQ(table[0], 255);
    EXPECT_EQ(table[255], 0);
    EXPECT_NEAR(table[128], whole[127], 1);
}

// The default paper, and a calibration file beside the program read as its densities.
TEST(PrinterDensities, AreReadFromTheCalibrationFileOrAreThoseOfPlainPaper)
{
    test::TempProgramFolder folder;
    EXPECT_EQ(printerDensities("Office").darkest(), defaultPaperDensities().darkest());
    std::filesystem::create_directories(calibrationFilePath("Office").parent_path());
    writeTextFile(calibrationFilePath("Office"), "1.8; 0.9\r\n0.1\r\n");
    EXPECT_NEAR(printerDensities("Office").densityAt(63.75), 1.35, 1e-9);
    for (const char* wrong : {"1.8;0.9;abc", "0.1;0.9", "1.0"}) {
        writeTextFile(calibrationFilePath("Office"), wrong);
        EXPECT_THROW(printerDensities("Office"), AppError) << wrong;
    }
}

} // namespace
} // namespace kestrova
