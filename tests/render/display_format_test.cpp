#include "render/display_format.h"

#include "core/errors.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using Lines = std::vector<std::int16_t>;
constexpr auto Rows = LayoutDirection::Rows;
constexpr auto Columns = LayoutDirection::Columns;

struct FormatCase {
    const char* format;
    LayoutDirection direction;
    Lines cellsPerLine;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << '"' << c.format << '"'; }

class DecodeFormatReads : public testing::TestWithParam<FormatCase> {};

TEST_P(DecodeFormatReads, TheLinesAndTheirCells)
{
    const FilmLayout layout = DecodeFormat(GetParam().format);
    EXPECT_EQ(layout.direction, GetParam().direction);
    EXPECT_EQ(layout.cellsPerLine, GetParam().cellsPerLine);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DecodeFormatReads,
    testing::Values(FormatCase{"STANDARD\\2,3", Rows, {2, 2, 2}}, FormatCase{"STANDARD\\1,1", Rows, {1}},
                    FormatCase{"ROW\\2,1", Rows, {2, 1}}, FormatCase{"ROW\\1,2,3", Rows, {1, 2, 3}},
                    FormatCase{"COL\\3,2", Columns, {3, 2}}, FormatCase{"ROW\\ 2 , 1.5 ", Rows, {2, 2}},
                    FormatCase{"COL\\4", Columns, {4}}, FormatCase{"CUSTOM\\1,2", Rows, {1, 1}},
                    FormatCase{"row\\1,2,3", Rows, {1, 1}}, FormatCase{"STANDARD\\ 2 , 3 ", Rows, {2, 2, 2}},
                    FormatCase{"2,3", Rows, {2, 2, 2}}, FormatCase{"STANDARD\\,4", Rows, {0, 0, 0, 0}},
                    FormatCase{"STANDARD\\2,", Rows, {}}, FormatCase{"STANDARD\\2.5,3.5", Rows, {2, 2, 2, 2}},
                    FormatCase{"STANDARD\\\t1\t2,x", Rows, {}}, FormatCase{"STANDARD\\2e1,-3", Rows, {}},
                    FormatCase{"STANDARD\\-2,2", Rows, {-2, -2}}, FormatCase{"STANDARD\\+.25e1,1e", Rows, {2}},
                    FormatCase{"STANDARD\\2x,1e-400", Rows, {}}));

struct RefusedCase {
    const char* format;
    int errorNumber;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << '"' << c.format << '"'; }

class DecodeFormatRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(DecodeFormatRefuses, WithItsErrorNumber)
{
    try {
        DecodeFormat(GetParam().format);
        ADD_FAILURE() << "accepted";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), GetParam().errorNumber);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodeFormatRefuses,
    testing::Values(RefusedCase{"SLIDE", 5}, RefusedCase{"SUPERSLIDE", 5}, RefusedCase{"CUSTOM\\1", 5},
                    RefusedCase{"", 5}, RefusedCase{"1,2\\3", 5}, RefusedCase{"ROW\\2,0", 5},
                    RefusedCase{"ROW\\2,", 5}, RefusedCase{"COL\\", 5}, RefusedCase{"ROW\\0.4", 5},
                    RefusedCase{"COL\\2,x", 5}, RefusedCase{"ROW\\-1,3", 5}, RefusedCase{"STANDARD\\40000,1", 6},
                    RefusedCase{"STANDARD\\3,1e999", 6}, RefusedCase{"ROW\\40000", 6},
                    RefusedCase{"COL\\20000,12768", 6}));

TEST(DecodeFormat, RowsAndColumnsMayHoldEveryImageBoxAllowed)
{
    EXPECT_EQ(DecodeFormat("COL\\20000,12767").cellCount(), 32767);
}

} // namespace
} // namespace kestrova
