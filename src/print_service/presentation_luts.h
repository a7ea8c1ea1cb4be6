#pragma once
// Presentation LUTs as DICOM's Presentation LUT SOP class makes them, and the references film
// boxes and image boxes make to them. Each check raises a RequestFailure with the status the
// requester is answered with; nothing changes before it passes.
//
// Threads: called under the print service's lock.

#include "print_service/object_store.h"

#include <memory>
#include <optional>
#include <string>

namespace kestrova {

// The Presentation LUT of an N-CREATE: Presentation LUT Shape (2050,0020) IDENTITY or LIN OD, or
// a Presentation LUT Sequence (2050,0010) of one item with LUT Descriptor (0028,3002) (entries,
// first value mapped, bits 1 to 16) and as many LUT Data (0028,3006) values, each within its
// bits. Neither the shape nor the sequence: 0x0120; both, another shape, or a table that is not
// as above: 0x0106.
std::shared_ptr<PresentationLut> createPresentationLut(const std::string& uid, DataSet attributes);

// What the Referenced Presentation LUT Sequence (2050,0500) among the attributes sent names:
// nothing when they hold no such sequence, a null LUT for an empty one (the reference goes), the
// stored Presentation LUT its item names; 0x0106 when that is not a stored Presentation LUT.
std::optional<std::shared_ptr<const PresentationLut>> referencedPresentationLut(const ObjectStore& store,
                                                                                const DataSet& sent);

// The curve a film or image box prints with, none without a Presentation LUT.
std::optional<PresentationCurve> curveOf(const std::shared_ptr<const PresentationLut>& lut);

} // namespace kestrova
