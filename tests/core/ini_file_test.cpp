#include "core/ini_file.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <optional>

namespace kestrova {
namespace {

using test::readFile;
using test::writeFile;

const std::string LongValue(300, 'x');

struct ReadCase {
    const char* name;
    std::optional<std::string> file;
    const char* key;
    std::string expected;
};

class IniRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, FindsTheValueOrGivesTheDefault)
{
    test::TempProgramFolder folder;
    if (GetParam().file)
        writeFile(folder / "test.ini", *GetParam().file);
    EXPECT_EQ(ReadIniString("Kestrova", GetParam().key, "DEFAULT", folder / "test.ini", 256), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniRead,
    testing::Values(ReadCase{"NoFile", std::nullopt, "Port", "DEFAULT"},
                    ReadCase{"OtherSection", "[Other]\r\nPort=1\r\n", "Port", "DEFAULT"},
                    ReadCase{"NoKey", "[Kestrova]\r\nAETName=X\r\n", "Port", "DEFAULT"},
                    ReadCase{"EmptyValueIsNoDefault", "[Kestrova]\r\nPort=\r\n", "Port", ""},
                    ReadCase{"CommentLinesAreNoKeys", "[Kestrova]\r\n;Port=1\r\n", ";Port", "DEFAULT"},
                    ReadCase{"CaseIsIgnored", "[kestrova]\r\naetname=PACS\r\n", "AETName", "PACS"},
                    ReadCase{"OuterBlanksDropped", "[Kestrova]\nA =  spaced  \n", "A", "spaced"},
                    ReadCase{"DoubleQuotesDropped", "[Kestrova]\nB=\"quoted text\"\n", "B", "quoted text"},
                    ReadCase{"SingleQuotesDropped", "[Kestrova]\nC='single'\n", "C", "single"},
                    ReadCase{"OnlyOnePairDropped", "[Kestrova]\nD=\"\"twice\"\"\n", "D", "\"twice\""},
                    ReadCase{"UnbalancedQuoteKept", "[Kestrova]\nE=\"unbalanced\n", "E", "\"unbalanced"},
                    ReadCase{"CutToSizeMinusOne", "[Kestrova]\r\nP=" + LongValue + "\r\n", "P", std::string(255, 'x')},
                    ReadCase{"CrOnlyLineEnds", "[Kestrova]\rA=1\rB=2\n[Other]\r\nA=9\r\n", "B", "2"},
                    ReadCase{"SectionEndsAtTheNext", "[Kestrova]\rA=1\rB=2\n[Other]\r\nA=9\r\n", "A", "1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniReadDefault, IsCutToSizeMinusOneToo)
{
    test::TempProgramFolder folder;
    EXPECT_EQ(ReadIniString("Kestrova", "Missing", LongValue, folder / "test.ini", 256).size(), 255u);
}

struct WriteCase {
    const char* name;
    std::optional<std::string> before;
    std::vector<std::pair<const char*, const char*>> writes;
    std::string after;
};

class IniWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, ReplacesInPlaceOrAppendsAndKeepsEverythingElse)
{
    test::TempProgramFolder folder;
    if (GetParam().before)
        writeFile(folder / "test.ini", *GetParam().before);
    for (const auto& [key, value] : GetParam().writes)
        WriteIniString("Kestrova", key, value, folder / "test.ini");
    EXPECT_EQ(readFile(folder / "test.ini"), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniWrite,
    testing::Values(WriteCase{"NewFile", std::nullopt, {{"AETName", "WARD3"}, {"Port", "4006"}},
                              "[Kestrova]\r\nAETName=WARD3\r\nPort=4006\r\n"},
                    WriteCase{"IntoTheSection", "; site\n[Kestrova]\nPORT=1\nAETName=OLD\n\n[Other]\nKey=keep\n",
                              {{"Port", "104"}, {"Printer", "Ward 3"}, {"LUT", "1"}},
                              "; site\r\n[Kestrova]\r\nPort=104\r\nAETName=OLD\r\nPrinter=Ward 3\r\nLUT=1\r\n\r\n"
                              "[Other]\r\nKey=keep\r\n"},
                    WriteCase{"NewSection", "[Other]\r\nKey=keep\r\n", {{"Port", "4006"}},
                              "[Other]\r\nKey=keep\r\n[Kestrova]\r\nPort=4006\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
