#pragma once

#include <string>

namespace kestrova {

// A new UID, unique to this call, under the program's root.
std::string newUid();

} // namespace kestrova
