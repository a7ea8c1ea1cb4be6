#include "number_text.h"

#include "errors.h"

#include <cctype>
#include <charconv>
#include <cstdint>

namespace kestrova {

namespace {


// from_chars takes no plus sign; "+-5" stays invalid.
bool dropPlusSign(std::string_view& number)
{
    if (number.empty() || number.front() != '+')
        return true;
    number.remove_prefix(1);
    return !number.empty() && number.front() != '-';
}


// Length of the run of digits starting at pos.
std::size_t digitsAt(const std::string& text, std::size_t pos)
{
    std::size_t end = pos;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return end - pos;
}

// Length of the longest prefix of the form [sign] digits [. digits] [(e|E) [sign] digits].
std::size_t numberPrefixLength(const std::string& text)
{
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    const std::size_t integerDigits = digitsAt(text, pos);
    pos += integerDigits;
    std::size_t fractionDigits = 0;
    if (pos < text.size() && text[pos] == '.') {
        fractionDigits = digitsAt(text, pos + 1);
        pos += 1 + fractionDigits;
    }
    if (integerDigits + fractionDigits == 0)
        return 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t exponent = pos + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        if (const std::size_t exponentDigits = digitsAt(text, exponent))
            pos = exponent + exponentDigits;
    }
    return pos;
}

} // namespace

std::string_view trimBlanks(std::string_view text, std::string_view blanks)
{
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

template <std::signed_integral T>
std::optional<T> parseDecimalInteger(std::string_view text)
{
    std::string_view number = trimBlanks(text);
    if (number.empty() || !dropPlusSign(number))
        return std::nullopt;
    T value{};
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size())
        return std::nullopt;
    return value;
}

template std::optional<std::int16_t> parseDecimalInteger<std::int16_t>(std::string_view);
template std::optional<std::int32_t> parseDecimalInteger<std::int32_t>(std::string_view);

std::optional<double> parseDecimalNumber(std::string_view text)
{
    std::string_view number = trimBlanks(text);
    if (number.empty() || !dropPlusSign(number))
        return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                              std::chars_format::general);
    if (error != std::errc() || end != number.data() + number.size())
        return std::nullopt;
    return value;
}

double leadingNumber(const std::string& text)
{
    std::string compact;
    for (const char c : text)
        if (c != ' ' && c != '\t')
            compact.push_back(c);
    const std::size_t length = numberPrefixLength(compact);
    if (length == 0)
        return 0.0;
    const char* first = compact.data();
    if (*first == '+')
        ++first;
    double value = 0.0;
    const auto result = std::from_chars(first, compact.data() + length, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small to represent reads as zero; too large cannot become a count.
        const std::string number = compact.substr(0, length);
        if (number.find("e-") != std::string::npos || number.find("E-") != std::string::npos)
            return 0.0;
        raise(ErrorCode::Overflow);
    }
    return value;
}

} // namespace kestrova
