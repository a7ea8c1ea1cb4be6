#pragma once
// The header band of a film: left caption lines, right caption lines flush with the right
// edge, and an optional logo picture at its natural size.

#include "render/print_context.h"

#include <cstdint>

namespace kestrova {

// Prints the band and returns its height in twips (where the image grid begins).
std::int32_t printHeaderBand(const PrintContext& context);

} // namespace kestrova
