#include "display_format.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "core/rounding.h"

#include <limits>
#include <numeric>

namespace kestrova {

namespace {

constexpr std::int64_t MostImageBoxes = std::numeric_limits<std::int16_t>::max();

std::int16_t countOf(const std::string& text) { return roundHalfEven<std::int16_t>(leadingNumber(text)); }

std::vector<std::string> commaSeparated(const std::string& text)
{
    std::vector<std::string> values;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        values.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            return values;
        start = comma + 1;
    }
}

bool isBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

// "ROW\2,1" or "COL\3,2": every value a line of at least one cell.
FilmLayout lineLayout(LayoutDirection direction, const std::string& values, const std::string& format)
{
    FilmLayout layout{direction, {}};
    for (const auto& value : commaSeparated(values)) {
        const std::int16_t cells = isBlank(value) ? 0 : countOf(value);
        if (cells < 1)
            raise(ErrorCode::InvalidArgument, "Image Display Format \"" + format + "\" has a line without a cell");
        layout.cellsPerLine.push_back(cells);
    }
    if (layout.cellCount() > MostImageBoxes)
        raise(ErrorCode::Overflow, "Image Display Format \"" + format + "\" has too many cells");
    return layout;
}

// "STANDARD\C,R" and every other text: R rows of C cells.
FilmLayout gridLayout(const std::string& format)
{
    const std::size_t backslash = format.find('\\');
    const std::size_t columnsStart = backslash == std::string::npos ? 0 : backslash + 1;
    const std::size_t comma = format.find(',', columnsStart);
    if (comma == std::string::npos)
        raise(ErrorCode::InvalidArgument);
    const std::int16_t columns = countOf(format.substr(columnsStart, comma - columnsStart));
    const std::int16_t rows = countOf(format.substr(comma + 1));
    return FilmLayout{LayoutDirection::Rows, std::vector<std::int16_t>(rows > 0 ? std::size_t(rows) : 0, columns)};
}

} // namespace

std::int64_t FilmLayout::cellCount() const
{
    return std::accumulate(cellsPerLine.begin(), cellsPerLine.end(), std::int64_t{0});
}

FilmLayout DecodeFormat(const std::string& format)
{
    if (format.starts_with("ROW\\"))
        return lineLayout(LayoutDirection::Rows, format.substr(4), format);
    if (format.starts_with("COL\\"))
        return lineLayout(LayoutDirection::Columns, format.substr(4), format);
    return gridLayout(format);
}

} // namespace kestrova
