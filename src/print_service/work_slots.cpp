#include "print_service/work_slots.h"

#include <algorithm>
#include <thread>

namespace kestrova {

namespace {

// As many pieces of work of each kind at once as there are cores, and at least two.
std::ptrdiff_t slotsOfAKind() { return std::max<std::ptrdiff_t>(2, std::thread::hardware_concurrency()); }

} // namespace

WorkSlots::WorkSlots() : decodes_(slotsOfAKind()), prints_(slotsOfAKind()) {}

} // namespace kestrova
