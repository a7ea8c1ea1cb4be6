#pragma once
// Printing a film box as one page, and a film session as one page per film box.

#include "render/print_context.h"

#include <cstdint>
#include <string>

namespace kestrova {

// Prints the film box stored under filmBoxUid. Returns Success after a printed page and
// Processing Failure after any failure, which is logged under "DoPrint"; a failed job
// discards its partial page. The printer selected before the job is selected again.
std::uint16_t DoPrint(const std::string& filmBoxUid, const PrintContext& context);

// Prints every film box of the session that is still stored, in creation order.
// "No film box" when there is none; Processing Failure when any of them failed.
std::uint16_t PrintFilmSession(const DataSet& filmSession, const PrintContext& context);

} // namespace kestrova
