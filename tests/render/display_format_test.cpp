#include "render/display_format.h"

#include "core/errors.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct FormatCase {
    const char* format;
    std::int16_t columns;
    std::int16_t rows;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << '"' << c.format << '"'; }

class DecodeFormatReads : public testing::TestWithParam<FormatCase> {};

TEST_P(DecodeFormatReads, ColumnsAndRows)
{
    std::int16_t x = -1;
    std::int16_t y = -1;
    DecodeFormat(GetParam().format, x, y);
    EXPECT_EQ(x, GetParam().columns);
    EXPECT_EQ(y, GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(Layouts, DecodeFormatReads,
                         testing::Values(FormatCase{"STANDARD\\2,3", 2, 3}, FormatCase{"STANDARD\\1,1", 1, 1},
                                         FormatCase{"ROW\\2,1", 2, 1}, FormatCase{"ROW\\1,2,3", 1, 2},
                                         FormatCase{"COL\\3,2", 3, 2}, FormatCase{"STANDARD\\ 2 , 3 ", 2, 3},
                                         FormatCase{"2,3", 2, 3}, FormatCase{"STANDARD\\,4", 0, 4},
                                         FormatCase{"STANDARD\\2,", 2, 0}, FormatCase{"STANDARD\\2.5,3.5", 2, 4},
                                         FormatCase{"STANDARD\\\t1\t2,x", 12, 0},
                                         FormatCase{"STANDARD\\2e1,-3", 20, -3},
                                         FormatCase{"STANDARD\\+.25e1,1e", 2, 1},
                                         FormatCase{"STANDARD\\2x,1e-400", 2, 0},
                                         FormatCase{"STANDARD\\-32768,32767", -32768, 32767}));

TEST(DecodeFormat, NoCommaAfterTheBackslashIsAnInvalidArgumentAndStoresNothing)
{
    for (const char* format : {"SLIDE", "SUPERSLIDE", "CUSTOM\\1", "", "1,2\\3"}) {
        std::int16_t x = 7;
        std::int16_t y = 8;
        try {
            DecodeFormat(format, x, y);
            ADD_FAILURE() << format << " was accepted";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 5) << format;
        }
        EXPECT_EQ(x, 7) << format;
        EXPECT_EQ(y, 8) << format;
    }
}

TEST(DecodeFormat, OutOfRangeIsAnOverflowAndTheColumnsAreStoredFirst)
{
    std::int16_t x = 7;
    std::int16_t y = 8;
    try {
        DecodeFormat("STANDARD\\40000,1", x, y);
        FAIL() << "no overflow";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 6);
    }
    EXPECT_EQ(x, 7);
    EXPECT_THROW(DecodeFormat("STANDARD\\3,1e999", x, y), AppError);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 8);
}

} // namespace
} // namespace kestrova
