// Image Display Format texts come straight from requesters. Decoding may only fail with
// invalid argument or overflow, and a decoded count is the nearest integer of its number.

#include "fuzz_support.h"

#include "core/errors.h"
#include "render/display_format.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrova;
    const std::string format = fuzz::textOf(data, size);
    std::int16_t columns = 0;
    std::int16_t rows = 0;
    try {
        DecodeFormat(format, columns, rows);
    } catch (const AppError& error) {
        if (error.code() != ErrorCode::InvalidArgument && error.code() != ErrorCode::Overflow)
            std::abort();
        return 0;
    }
    // The rows are the number after the first comma behind the first backslash, so they
    // must agree with reading that number on its own.
    const auto backslash = format.find('\\');
    const auto comma = format.find(',', backslash == std::string::npos ? 0 : backslash + 1);
    if (std::abs(leadingNumber(format.substr(comma + 1)) - rows) > 0.5)
        std::abort();
    return 0;
}
