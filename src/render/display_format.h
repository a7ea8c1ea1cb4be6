#pragma once
// Image Display Format texts. "ROW\R1,R2,..." and "COL\C1,C2,..." lay the image boxes out
// as DICOM defines: one row (column) per value, each holding that many equal cells. Every
// other text reads the two numbers around the first comma after the first backslash as
// columns and rows, whatever the keyword: "STANDARD\2,3" is three rows of two.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrova {

enum class LayoutDirection { Rows, Columns };

// The cells of a film page: lines of equal size across the grid, rows from the top or
// columns from the left, each holding its own number of equal cells. Position k on the
// page is the k-th cell counted line by line, and within a line left to right (rows) or
// top to bottom (columns).
struct FilmLayout {
    LayoutDirection direction = LayoutDirection::Rows;
    std::vector<std::int16_t> cellsPerLine;

    // The sum of the lines; negative lines count as they are.
    std::int64_t cellCount() const;
    bool operator==(const FilmLayout&) const = default;
};

// Raises invalid argument (5) when no comma follows the backslash of a two-number text, and
// for a ROW\ or COL\ value that is empty or below 1 after rounding; overflow (6) for a
// number outside -32768..32767 and for ROW\ or COL\ values adding up to more than 32767.
// Two-number texts are not checked further: "STANDARD\0,2" is two rows of no cell, and
// "STANDARD\2,0" no row at all.
FilmLayout DecodeFormat(const std::string& format);

} // namespace kestrova
