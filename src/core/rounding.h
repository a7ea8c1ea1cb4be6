#pragma once
// Every conversion of a fractional value to an integer goes through here:
// nearest integer, halves to the even neighbour, overflow outside the target range.

#include "errors.h"

#include <cmath>
#include <concepts>
#include <limits>
#include <utility>

namespace kestrova {

template <std::signed_integral T>
T roundHalfEven(double value)
{
    if (std::isnan(value))
        raise(ErrorCode::Overflow);
    const double rounded = std::nearbyint(value); // default rounding mode is to nearest, ties to even
    if (rounded < static_cast<double>(std::numeric_limits<T>::min())
        || rounded > static_cast<double>(std::numeric_limits<T>::max()))
        raise(ErrorCode::Overflow);
    return static_cast<T>(rounded);
}

// Narrows an integer, raising overflow when it does not fit.
template <std::signed_integral T, std::integral From>
T checkedNarrow(From value)
{
    if (!std::in_range<T>(value))
        raise(ErrorCode::Overflow);
    return static_cast<T>(value);
}

} // namespace kestrova
