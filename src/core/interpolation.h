#pragma once
// Tables of values at evenly spaced points, read between the points.

#include <algorithm>
#include <cstddef>

namespace kestrova {

// The value at a position 0 .. size - 1 of a table of at least two values, linear between them.
template <typename Table>
double valueAtPosition(const Table& table, double position)
{
    const auto below = std::min(static_cast<std::size_t>(position), std::size(table) - 2);
    const double fraction = position - double(below);
    return table[below] + fraction * (table[below + 1] - table[below]);
}

} // namespace kestrova
