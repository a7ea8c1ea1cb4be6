#include "ui/numeric_text.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "core/rounding.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <string>

namespace kestrova {
namespace {

std::size_t skipDigits(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && isDigit(text[pos]))
        ++pos;
    return pos;
}

// Mantissa digits with at most one decimal point and at least one digit, then an
// optional exponent with at least one digit, and nothing else.
bool isUnsignedDecimal(std::string_view text)
{
    std::size_t pos = skipDigits(text, 0);
    std::size_t digits = pos;
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t fractionEnd = skipDigits(text, pos + 1);
        digits += fractionEnd - pos - 1;
        pos = fractionEnd;
    }
    if (digits == 0)
        return false;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            ++pos;
        const std::size_t exponentEnd = skipDigits(text, pos);
        if (exponentEnd == pos)
            return false;
        pos = exponentEnd;
    }
    return pos == text.size();
}

// For a decimal that double cannot hold: whether it is too large (rather than too small),
// from the position of its first significant digit.
bool exceedsDouble(std::string_view text)
{
    const std::size_t exponentPos = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, exponentPos);
    long long exponent = 0;
    if (exponentPos != std::string_view::npos) {
        std::string_view digits = text.substr(exponentPos + 1);
        const bool negativeExponent = !digits.empty() && digits.front() == '-';
        if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
            digits.remove_prefix(1);
        if (digits.size() > 18)
            return !negativeExponent;
        std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
        if (negativeExponent)
            exponent = -exponent;
    }
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t firstSignificant = mantissa.find_first_not_of("0.");
    if (firstSignificant == std::string_view::npos)
        return false;
    const long long order = firstSignificant < point ? static_cast<long long>(point - firstSignificant) - 1
                                                     : static_cast<long long>(point) - static_cast<long long>(firstSignificant);
    return order + exponent > 0;
}

} // namespace

std::optional<double> numericTextValue(std::string_view text)
{
    text = trimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (!isUnsignedDecimal(text))
        return std::nullopt;

    double magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error == std::errc::result_out_of_range)
        magnitude = exceedsDouble(text) ? std::numeric_limits<double>::infinity() : 0.0;
    else if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return negative ? -magnitude : magnitude;
}

std::int32_t int32FromNumericText(std::string_view text)
{
    const std::optional<double> value = numericTextValue(text);
    if (!value)
        raise(ErrorCode::TypeMismatch);
    return roundHalfEven<std::int32_t>(*value);
}

} // namespace kestrova
