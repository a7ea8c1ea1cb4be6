#pragma once

#include <string>

namespace kestrova {

// A new UID derived from a random UUID ("2.25." and 128 bits, 122 of them random): unique, and
// not to be guessed from any other UID the program made.
std::string newUid();

} // namespace kestrova
