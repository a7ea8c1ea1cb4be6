#pragma once
// The Annotation Display Format IDs Kestrova defines. Each gives its film box that many
// annotation boxes, and the film one caption line under its image grid where position k's text
// goes. An ID Kestrova does not define has no places: its film box is refused.
//
// Threads: pure functions, on any thread.

#include <optional>
#include <string>
#include <vector>

namespace kestrova {

enum class AnnotationPlace { Left, Centre, Right };

// BOTTOM: one text centred under the grid. CORNERS: one at each lower corner, left then right.
// FOOTER: left, centre, right. Trailing blanks are no part of the ID.
std::optional<std::vector<AnnotationPlace>> annotationPlaces(const std::string& formatId);

} // namespace kestrova
