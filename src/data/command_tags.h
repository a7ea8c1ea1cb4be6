#pragma once
// Attributes of a DIMSE command set, as the program reads and writes them.

#include "data/data_set.h"

namespace kestrova::CommandTag {

inline constexpr Tag AffectedSopClassUid{0x0000, 0x0002};
inline constexpr Tag RequestedSopClassUid{0x0000, 0x0003};
inline constexpr Tag CommandField{0x0000, 0x0100};
inline constexpr Tag MessageIdBeingRespondedTo{0x0000, 0x0120};
inline constexpr Tag DataSetType{0x0000, 0x0800};
inline constexpr Tag Status{0x0000, 0x0900};
inline constexpr Tag AffectedSopInstanceUid{0x0000, 0x1000};
inline constexpr Tag RequestedSopInstanceUid{0x0000, 0x1001};

} // namespace kestrova::CommandTag
