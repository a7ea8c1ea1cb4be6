#include "core/rounding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace kestrova {
namespace {

// Halves go to the even neighbour; the edges of the target type are exact.
TEST(RoundHalfEven, RoundsToTheNearestAndHalvesToEven)
{
    const std::pair<double, std::int64_t> cases[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {2.4999, 2}, {2.5001, 3},
        {2147483647.0, 2147483647}, {-2147483648.5, -2147483648LL}};
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(roundHalfEven<std::int32_t>(value), expected) << value;
    EXPECT_EQ(roundHalfEven<std::int16_t>(32767.4), 32767);
    EXPECT_EQ(roundHalfEven<std::int16_t>(-32768.5), -32768);
}

TEST(RoundHalfEven, OutsideTheTargetTypeIsOverflowNumberSix)
{
    for (const double value : {32767.5, -32769.0, 1e9, std::numeric_limits<double>::quiet_NaN()}) {
        try {
            roundHalfEven<std::int16_t>(value);
            ADD_FAILURE() << value << " converted";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 6);
            EXPECT_EQ(e.description(), "Overflow");
        }
    }
    EXPECT_THROW(roundHalfEven<std::int32_t>(2147483647.5), AppError);
    EXPECT_THROW(roundHalfEven<std::int32_t>(-2147483649.0), AppError);
    EXPECT_EQ(checkedNarrow<std::int16_t>(32767), 32767);
    EXPECT_THROW(checkedNarrow<std::int16_t>(32768), AppError);
    EXPECT_THROW(checkedNarrow<std::int32_t>(std::int64_t{1} << 31), AppError);
}

} // namespace
} // namespace kestrova
