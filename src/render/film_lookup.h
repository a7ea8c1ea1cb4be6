#pragma once
// Lookups of print objects by the references one object holds to another.

#include "toolkit/data_set.h"

#include <cstddef>

namespace kestrova {

// The stored object that item n (1-based) of a reference sequence points at, by its
// Referenced SOP Instance UID, or null when it is not stored. Raises when the sequence is
// absent, has no item n, or the item lacks (0008,1150) or (0008,1155).
DataSetPtr DatasetFromSequence(const DataSetCollection& store, const Attribute& sequence, std::size_t n);

} // namespace kestrova
