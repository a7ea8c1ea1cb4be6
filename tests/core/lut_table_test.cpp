#include "core/global_settings.h"
#include "core/lut_table.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace kestrova {
namespace {

using test::readFile;
using test::writeFile;

class LutTableTest : public testing::Test {
protected:
    test::TempProgramFolder folder;
    LutState lut;
    LutTable& table = lut.table;
    Settings settings{"KODAK", 4006, "KODAK", "", "Tahoma", 10, 1, ""};

    void load(const std::string& text)
    {
        writeFile(folder / "Kestrova.lut", text);
        LoadLutTable(lut, settings);
    }

    std::size_t loggedLines() const
    {
        const auto log = folder / "Logs" / "Error.log";
        if (!std::filesystem::exists(log))
            return 0;
        const std::string text = readFile(log);
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    }

    static std::string joined(int first, int count)
    {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += (i ? ";" : "") + std::to_string(first + i);
        return text;
    }
};

TEST_F(LutTableTest, ValuesAreStoredTimes256)
{
    load(joined(0, 46));
    for (std::size_t i = 0; i < LutEntries; ++i)
        EXPECT_EQ(table[i], static_cast<std::int32_t>(i) * 256);
    EXPECT_TRUE(lut.complete);
    EXPECT_EQ(loggedLines(), 0u);
}

TEST_F(LutTableTest, ExtraValuesAreIgnoredAndOuterBlanksStripped)
{
    load("  \t" + joined(1, 50) + " \r\n");
    EXPECT_EQ(table[0], 256);
    EXPECT_EQ(table[45], 46 * 256);
    EXPECT_EQ(loggedLines(), 0u);
}

TEST_F(LutTableTest, EachMissingEntryIsLoggedAndKeepsItsValueAndTheTableIsNoLongerComplete)
{
    load(joined(0, 46));
    table.fill(7);
    load(joined(0, 40));
    EXPECT_FALSE(lut.complete);
    EXPECT_EQ(table[39], 39 * 256);
    EXPECT_EQ(table[40], 7);
    EXPECT_EQ(table[45], 7);
    EXPECT_EQ(loggedLines(), 6u);
    EXPECT_NE(readFile(folder / "Logs" / "Error.log").find("LoadSettings\r\n"), std::string::npos);
}

TEST_F(LutTableTest, AnEmptyFileLogsEveryEntry)
{
    load("");
    EXPECT_EQ(loggedLines(), 46u);
}

TEST_F(LutTableTest, TheProductMustFitThirtyTwoBits)
{
    table.fill(7);
    load("8388608;-8388608;8388607;x" + std::string(";0").append(std::string()) + ";" + joined(0, 41));
    EXPECT_EQ(table[0], 7);
    EXPECT_EQ(table[1], -2147483647 - 1);
    EXPECT_EQ(table[2], 2147483392);
    EXPECT_EQ(table[3], 7);
    EXPECT_FALSE(lut.complete);
    EXPECT_EQ(loggedLines(), 2u);
}

TEST_F(LutTableTest, NothingIsReadWhenTheFlagIsOffOrTheFileMissing)
{
    settings.LUT = 0;
    load(joined(1, 46));
    EXPECT_TRUE(std::all_of(table.begin(), table.end(), [](auto v) { return v == 0; }));
    std::filesystem::remove(folder / "Kestrova.lut");
    settings.LUT = 1;
    LoadLutTable(lut, settings);
    EXPECT_FALSE(lut.complete);
    EXPECT_EQ(loggedLines(), 0u);
}

} // namespace
} // namespace kestrova
