#include "core/configuration.h"
#include "core/lut_table.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace kestrova {
namespace {

std::string joined(int first, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += (i ? ";" : "") + std::to_string(first + i);
    return text;
}

constexpr std::int32_t Kept = 7; // every entry before the load

struct LutCase {
    const char* name;
    std::int16_t flag;
    std::optional<std::string> file;
    std::vector<std::pair<std::size_t, std::int32_t>> entries;
    bool complete;
    std::size_t loggedLines; // each names "LoadSettings"
};

class LutLoad : public testing::TestWithParam<LutCase> {};

TEST_P(LutLoad, StoresEachValueTimes256AndLogsEachMissingEntry)
{
    test::TempProgramFolder folder;
    if (GetParam().file)
        test::writeFile(folder / "Kestrova.lut", *GetParam().file);
    LutState lut;
    lut.table.fill(Kept);
    LoadLutTable(lut, Settings{"WARD3", 4006, "KODAK", "", "Tahoma", 10, GetParam().flag, ""});
    for (const auto& [index, value] : GetParam().entries)
        EXPECT_EQ(lut.table.at(index), value) << "entry " << index;
    EXPECT_EQ(lut.complete, GetParam().complete);
    const std::string log = folder.errorLog();
    EXPECT_EQ(static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n')), GetParam().loggedLines) << log;
    EXPECT_EQ(log.find("LoadSettings\r\n") != std::string::npos, GetParam().loggedLines > 0) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Files, LutLoad,
    testing::Values(LutCase{"Complete", 1, joined(0, 46), {{0, 0}, {1, 256}, {45, 45 * 256}}, true, 0},
                    LutCase{"ExtraValuesAndOuterBlanks", 1, "  \t" + joined(1, 50) + " \r\n", {{0, 256}, {45, 46 * 256}}, true, 0},
                    LutCase{"TooShort", 1, joined(0, 40), {{39, 39 * 256}, {40, Kept}, {45, Kept}}, false, 6},
                    LutCase{"Empty", 1, "", {{0, Kept}}, false, 46},
                    LutCase{"ProductMustFit32Bits", 1, "8388608;-8388608;8388607;x;" + joined(0, 42),
                            {{0, Kept}, {1, -2147483647 - 1}, {2, 2147483392}, {3, Kept}, {4, 0}}, false, 2},
                    LutCase{"FlagOff", 0, joined(1, 46), {{0, Kept}, {45, Kept}}, false, 0},
                    LutCase{"NoFile", 1, std::nullopt, {{0, Kept}}, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
