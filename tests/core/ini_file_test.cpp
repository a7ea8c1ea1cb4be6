#include "core/ini_file.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using test::readFile;
using test::writeFile;

class IniFileTest : public testing::Test {
protected:
    test::TempProgramFolder folder;
    std::filesystem::path file = folder / "test.ini";

    std::string read(const std::string& key, const std::string& fallback = "DEFAULT")
    {
        return ReadIniString("Kestrova", key, fallback, file, 256);
    }
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(read("Port"), "DEFAULT");
    writeFile(file, "[Other]\r\nPort=1\r\n");
    EXPECT_EQ(read("Port"), "DEFAULT");
    writeFile(file, "[Kestrova]\r\nAETName=X\r\n");
    EXPECT_EQ(read("Port"), "DEFAULT");
}

TEST_F(IniFileTest, PresentEmptyKeyGivesEmptyTextNotTheDefault)
{
    writeFile(file, "[Kestrova]\r\nPort=\r\n");
    EXPECT_EQ(read("Port"), "");
}

TEST_F(IniFileTest, KeysAndSectionsMatchWithoutRegardToCase)
{
    writeFile(file, "[kestrova]\r\naetname=PACS\r\n");
    EXPECT_EQ(read("AETName"), "PACS");
}

TEST_F(IniFileTest, BlanksAroundAValueAndOnePairOfQuotesAreDropped)
{
    writeFile(file, "[Kestrova]\nA =  spaced  \nB=\"quoted text\"\nC='single'\nD=\"\"twice\"\"\nE=\"unbalanced\n");
    EXPECT_EQ(read("A"), "spaced");
    EXPECT_EQ(read("B"), "quoted text");
    EXPECT_EQ(read("C"), "single");
    EXPECT_EQ(read("D"), "\"twice\"");
    EXPECT_EQ(read("E"), "\"unbalanced");
}

TEST_F(IniFileTest, ValuesAreCutToSizeMinusOneCharacters)
{
    const std::string longValue(300, 'x');
    writeFile(file, "[Kestrova]\r\nImagePath=" + longValue + "\r\n");
    EXPECT_EQ(read("ImagePath"), std::string(255, 'x'));
    EXPECT_EQ(ReadIniString("Kestrova", "Missing", longValue, file, 256).size(), 255u);
}

TEST_F(IniFileTest, AllThreeLineEndsAreRead)
{
    writeFile(file, "[Kestrova]\rA=1\rB=2\n[Other]\r\nA=9\r\n");
    EXPECT_EQ(read("A"), "1");
    EXPECT_EQ(read("B"), "2");
}

TEST_F(IniFileTest, WritingCreatesFileAndSectionWithCrLf)
{
    WriteIniString("Kestrova", "AETName", "KODAK", file);
    WriteIniString("Kestrova", "Port", "4006", file);
    EXPECT_EQ(readFile(file), "[Kestrova]\r\nAETName=KODAK\r\nPort=4006\r\n");
}

TEST_F(IniFileTest, WritingReplacesInPlaceAppendsToTheSectionAndKeepsEverythingElse)
{
    writeFile(file, "; site settings\n[Kestrova]\nPORT=1\nAETName=OLD\n\n[Other]\nKey=keep\n");
    WriteIniString("Kestrova", "Port", "104", file);
    WriteIniString("Kestrova", "Printer", "Ward 3", file);
    WriteIniString("Kestrova", "LUT", "1", file);
    EXPECT_EQ(readFile(file),
              "; site settings\r\n[Kestrova]\r\nPort=104\r\nAETName=OLD\r\nPrinter=Ward 3\r\nLUT=1\r\n\r\n"
              "[Other]\r\nKey=keep\r\n");
    EXPECT_EQ(ReadIniString("Other", "Key", "", file, 256), "keep");
}

TEST_F(IniFileTest, WritingIntoAFileWithoutTheSectionAppendsTheSection)
{
    writeFile(file, "[Other]\r\nKey=keep\r\n");
    WriteIniString("Kestrova", "Port", "4006", file);
    EXPECT_EQ(readFile(file), "[Other]\r\nKey=keep\r\n[Kestrova]\r\nPort=4006\r\n");
}

} // namespace
} // namespace kestrova
