#include "display_format.h"

#include "core/errors.h"
#include "core/rounding.h"

#include <cctype>
#include <charconv>

namespace kestrova {

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

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
        ++first; // from_chars takes no plus sign
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

void DecodeFormat(const std::string& format, std::int16_t& X, std::int16_t& Y)
{
    const std::size_t backslash = format.find('\\');
    const std::size_t columnsStart = backslash == std::string::npos ? 0 : backslash + 1;
    const std::size_t comma = format.find(',', columnsStart);
    if (comma == std::string::npos)
        raise(ErrorCode::InvalidArgument);
    X = roundHalfEven<std::int16_t>(leadingNumber(format.substr(columnsStart, comma - columnsStart)));
    Y = roundHalfEven<std::int16_t>(leadingNumber(format.substr(comma + 1)));
}

} // namespace kestrova
