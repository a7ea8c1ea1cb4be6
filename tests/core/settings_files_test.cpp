#include "core/global_settings.h"
#include "core/number_text.h"
#include "core/settings_files.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using test::readFile;
using test::writeFile;

class SettingsFilesTest : public testing::Test {
protected:
    test::TempProgramFolder folder;

    void SetUp() override
    {
        GlobalSettings = Settings{};
        HeaderLeftLines.reset();
        HeaderRightLines.reset();
    }
};

TEST_F(SettingsFilesTest, MissingFileGivesEveryDefault)
{
    ReadSettings();
    const Settings expected{"KODAK", 4006, "KODAK", "", "Tahoma", 10, 0, ""};
    EXPECT_EQ(GlobalSettings, expected);
}

TEST_F(SettingsFilesTest, MissingKeysTakeDefaultsAndPresentOnesTheirValues)
{
    writeFile(folder / "Kestrova.ini", "[Kestrova]\nAETName=WARD3\nFontsize=12\nLUT=1\n");
    ReadSettings();
    EXPECT_EQ(GlobalSettings.AETName, "WARD3");
    EXPECT_EQ(GlobalSettings.Port, 4006);
    EXPECT_EQ(GlobalSettings.Fontsize, 12);
    EXPECT_EQ(GlobalSettings.LUT, 1);
    EXPECT_EQ(GlobalSettings.Fontname, "Tahoma");
}

TEST_F(SettingsFilesTest, EmptyPortReadsAsZeroAtFirstStart)
{
    writeFile(folder / "Kestrova.ini", "[Kestrova]\r\nPort=\r\n");
    ReadSettings();
    EXPECT_EQ(GlobalSettings.Port, 0);
}

TEST_F(SettingsFilesTest, BadNumbersLeaveTheFieldAsItWas)
{
    GlobalSettings.Port = 104;
    GlobalSettings.Fontsize = 9;
    GlobalSettings.LUT = 1;
    writeFile(folder / "Kestrova.ini", "[Kestrova]\nPort=12.5\nFontsize=ten\nLUT=40000\n");
    ReadSettings();
    EXPECT_EQ(GlobalSettings.Port, 104);
    EXPECT_EQ(GlobalSettings.Fontsize, 9);
    EXPECT_EQ(GlobalSettings.LUT, 1);
}

TEST_F(SettingsFilesTest, NumbersMayCarryASignAndSurroundingBlanks)
{
    writeFile(folder / "Kestrova.ini", "[Kestrova]\nPort=  \t 4007\t \nFontsize=+11\nLUT=-1\n");
    ReadSettings();
    EXPECT_EQ(GlobalSettings.Port, 4007);
    EXPECT_EQ(GlobalSettings.Fontsize, 11);
    EXPECT_EQ(GlobalSettings.LUT, -1);
    EXPECT_FALSE(parseDecimalInteger<std::int32_t>("+-5"));
    EXPECT_FALSE(parseDecimalInteger<std::int32_t>("- 5"));
    EXPECT_FALSE(parseDecimalInteger<std::int32_t>("2147483648"));
    EXPECT_EQ(parseDecimalInteger<std::int32_t>("-2147483648"), -2147483648LL);
}

TEST_F(SettingsFilesTest, AFreshFileListsTheEightKeysInTableOrder)
{
    GlobalSettings = Settings{"AE", -5, "AGFA", "Ward 3", "DejaVu Sans", 12, 1, "/srv/logo.png"};
    WriteSettings();
    EXPECT_EQ(readFile(folder / "Kestrova.ini"),
              "[Kestrova]\r\nAETName=AE\r\nPort=-5\r\nEmulation=AGFA\r\nPrinter=Ward 3\r\n"
              "Fontname=DejaVu Sans\r\nFontsize=12\r\nLUT=1\r\nImagePath=/srv/logo.png\r\n");
    const Settings written = GlobalSettings;
    GlobalSettings = Settings{};
    ReadSettings();
    EXPECT_EQ(GlobalSettings, written);
}

TEST_F(SettingsFilesTest, HeaderLinesKeepEmptyLinesAndIgnoreTheFinalLineEnd)
{
    writeFile(folder / "Left.ini", "Radiology\r\n\r\nWard 3\r\n");
    writeFile(folder / "Right.ini", "first\nsecond");
    ReadHeader();
    ASSERT_TRUE(HeaderLeftLines && HeaderRightLines);
    EXPECT_EQ(*HeaderLeftLines, (HeaderLines{"Radiology", "", "Ward 3"}));
    EXPECT_EQ(*HeaderRightLines, (HeaderLines{"first", "second"}));
}

TEST_F(SettingsFilesTest, MissingHeaderFilesGiveEmptyListsAndDropOldLines)
{
    HeaderLeftLines = HeaderLines{"old"};
    ReadHeader();
    ASSERT_TRUE(HeaderLeftLines && HeaderRightLines);
    EXPECT_TRUE(HeaderLeftLines->empty());
    EXPECT_TRUE(HeaderRightLines->empty());
}

TEST_F(SettingsFilesTest, UnreadableLeftFileIsLoggedAndLeavesTheRightListAsItWas)
{
    std::filesystem::create_directory(folder / "Left.ini"); // a folder cannot be read as a file
    writeFile(folder / "Left.ini.keep", "");
    HeaderRightLines = HeaderLines{"kept"};
    ReadHeader();
    EXPECT_EQ(HeaderRightLines, HeaderLines{"kept"});
    EXPECT_NE(readFile(folder / "Logs" / "Error.log").find("mMain ReadHeader\r\n"), std::string::npos);
}

TEST_F(SettingsFilesTest, CaptionTextRoundTripsThroughItsFile)
{
    WriteHeaderFile(folder / "Left.ini", "line one\r\nline two");
    EXPECT_EQ(readFile(folder / "Left.ini"), "line one\r\nline two\r\n");
    ReadHeader();
    EXPECT_EQ(*HeaderLeftLines, (HeaderLines{"line one", "line two"}));
    WriteHeaderFile(folder / "Left.ini", "");
    EXPECT_FALSE(std::filesystem::exists(folder / "Left.ini"));
}

} // namespace
} // namespace kestrova
