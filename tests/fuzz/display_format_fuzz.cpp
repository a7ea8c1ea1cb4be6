// Image Display Format texts come straight from requesters. Decoding may only fail with
// invalid argument or overflow; a ROW\ or COL\ layout it accepts has at least one cell per
// line and no more cells than image boxes can be made, and a two-number layout has equal rows.

#include "fuzz_support.h"

#include "core/errors.h"
#include "render/display_format.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrova;
    const std::string format = fuzz::textOf(data, size);
    FilmLayout layout;
    try {
        layout = DecodeFormat(format);
    } catch (const AppError& error) {
        if (error.code() != ErrorCode::InvalidArgument && error.code() != ErrorCode::Overflow)
            std::abort();
        return 0;
    }
    const auto& lines = layout.cellsPerLine;
    if (format.starts_with("ROW\\") || format.starts_with("COL\\")) {
        if (lines.empty() || std::any_of(lines.begin(), lines.end(), [](auto cells) { return cells < 1; })
            || layout.cellCount() > 32767)
            std::abort();
    } else if (layout.direction != LayoutDirection::Rows
               || std::adjacent_find(lines.begin(), lines.end(), std::not_equal_to<>()) != lines.end()) {
        std::abort();
    }
    return 0;
}
