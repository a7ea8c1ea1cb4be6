#include "core/rounding.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kestrova {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven<std::int32_t>(2.5), 2);
    EXPECT_EQ(roundHalfEven<std::int32_t>(3.5), 4);
    EXPECT_EQ(roundHalfEven<std::int32_t>(-2.5), -2);
    EXPECT_EQ(roundHalfEven<std::int32_t>(-3.5), -4);
    EXPECT_EQ(roundHalfEven<std::int32_t>(2.4999), 2);
    EXPECT_EQ(roundHalfEven<std::int32_t>(2.5001), 3);
}

TEST(RoundHalfEven, OverflowsAtTheEdgesOfTheTargetType)
{
    EXPECT_EQ(roundHalfEven<std::int16_t>(32767.4), 32767);
    EXPECT_EQ(roundHalfEven<std::int16_t>(-32768.5), -32768);
    EXPECT_THROW(roundHalfEven<std::int16_t>(32767.5), AppError);
    EXPECT_THROW(roundHalfEven<std::int16_t>(-32769.0), AppError);
    EXPECT_EQ(roundHalfEven<std::int32_t>(2147483647.0), 2147483647);
    EXPECT_EQ(roundHalfEven<std::int32_t>(-2147483648.5), -2147483648LL);
    EXPECT_THROW(roundHalfEven<std::int32_t>(2147483647.5), AppError);
    EXPECT_THROW(roundHalfEven<std::int32_t>(-2147483649.0), AppError);
}

TEST(RoundHalfEven, OverflowCarriesNumberSix)
{
    try {
        roundHalfEven<std::int16_t>(1e9);
        FAIL() << "no overflow raised";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 6);
        EXPECT_EQ(e.description(), "Overflow");
    }
    EXPECT_THROW(roundHalfEven<std::int32_t>(std::numeric_limits<double>::quiet_NaN()), AppError);
}

TEST(CheckedNarrow, RaisesOverflowOutsideTheTargetRange)
{
    EXPECT_EQ(checkedNarrow<std::int16_t>(32767), 32767);
    EXPECT_THROW(checkedNarrow<std::int16_t>(32768), AppError);
    EXPECT_THROW(checkedNarrow<std::int32_t>(std::int64_t{1} << 31), AppError);
}

} // namespace
} // namespace kestrova
