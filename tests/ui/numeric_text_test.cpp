#include "core/errors.h"
#include "ui/numeric_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace kestrova {
namespace {

struct NumericCase {
    std::string text;
    bool numeric;
};

void PrintTo(const NumericCase& c, std::ostream* out) { *out << '"' << c.text << '"' << (c.numeric ? " numeric" : " not numeric"); }

class NumericTextTest : public ::testing::TestWithParam<NumericCase> {};

TEST_P(NumericTextTest, PassesOnlyDecimalNumbers)
{
    EXPECT_EQ(isNumericText(GetParam().text), GetParam().numeric) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, NumericTextTest,
                         ::testing::Values(NumericCase{"4006", true}, NumericCase{" 12.5 ", true},
                                           NumericCase{"-5", true}, NumericCase{"1e3", true},
                                           NumericCase{"+.5", true}, NumericCase{"1.", true},
                                           NumericCase{"2E-2", true}, NumericCase{"\t7\t", true},
                                           NumericCase{"99999999999", true}, NumericCase{"", false},
                                           NumericCase{"   ", false}, NumericCase{"abc", false},
                                           NumericCase{"12a", false}, NumericCase{"1,5", false},
                                           NumericCase{".", false}, NumericCase{"-", false},
                                           NumericCase{"1e", false}, NumericCase{"e3", false},
                                           NumericCase{"1 2", false}, NumericCase{"--5", false},
                                           NumericCase{"1.2.3", false}, NumericCase{"0x10", false}));

struct ConversionCase {
    std::string text;
    std::int32_t value;
};

void PrintTo(const ConversionCase& c, std::ostream* out) { *out << '"' << c.text << "\" to " << c.value; }

class Int32ConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Int32ConversionTest, RoundsHalfToEven)
{
    EXPECT_EQ(int32FromNumericText(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, Int32ConversionTest,
                         ::testing::Values(ConversionCase{"12.5", 12}, ConversionCase{"13.5", 14},
                                           ConversionCase{"-5", -5}, ConversionCase{"-2.5", -2},
                                           ConversionCase{" 104 ", 104}, ConversionCase{"1e3", 1000},
                                           ConversionCase{"+.5", 0}, ConversionCase{"2147483647", 2147483647},
                                           ConversionCase{"-2147483648", -2147483647 - 1},
                                           ConversionCase{"1e-400", 0}));

TEST(Int32Conversion, OutOfRangeIsOverflowAndNoNumberIsTypeMismatch)
{
    const std::pair<const char*, ErrorCode> cases[] = {
        {"99999999999", ErrorCode::Overflow}, {"2147483648", ErrorCode::Overflow}, {"-1e400", ErrorCode::Overflow},
        {"1e400", ErrorCode::Overflow},       {"abc", ErrorCode::TypeMismatch},    {"", ErrorCode::TypeMismatch}};
    for (const auto& [text, expected] : cases) {
        try {
            int32FromNumericText(text);
            ADD_FAILURE() << '"' << text << "\" converted";
        } catch (const AppError& error) {
            EXPECT_EQ(error.code(), expected) << '"' << text << '"';
        }
    }
}

} // namespace
} // namespace kestrova
