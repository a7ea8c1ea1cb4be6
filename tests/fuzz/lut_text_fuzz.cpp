// Kestrova.lut is a plain text file anyone can edit. Every entry either takes its value or
// keeps the earlier one; nothing else may happen to the table.

#include "fuzz_support.h"

#include "core/lut_table.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrova;
    fuzz::scratchFolder();
    LutTable table{};
    table.fill(-1); // an entry can never be read as -1: values are stored times 256
    applyLutText(table, fuzz::textOf(data, size));
    const bool onlyWholeLevels = std::all_of(table.begin(), table.end(), [](std::int32_t entry) {
        return entry == -1 || entry % 256 == 0;
    });
    if (!onlyWholeLevels)
        std::abort();
    fuzz::forgetErrorLog();
    return 0;
}
