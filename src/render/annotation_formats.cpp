#include "render/annotation_formats.h"

#include "core/number_text.h"

#include <array>
#include <utility>

namespace kestrova {

namespace {

using Format = std::pair<const char*, std::vector<AnnotationPlace>>;

const std::array<Format, 3>& formats()
{
    static const std::array<Format, 3> known = {
        Format{"BOTTOM", {AnnotationPlace::Centre}},
        Format{"CORNERS", {AnnotationPlace::Left, AnnotationPlace::Right}},
        Format{"FOOTER", {AnnotationPlace::Left, AnnotationPlace::Centre, AnnotationPlace::Right}},
    };
    return known;
}

} // namespace

std::optional<std::vector<AnnotationPlace>> annotationPlaces(const std::string& formatId)
{
    const std::string_view id = trimBlanks(formatId, " ");
    for (const auto& [name, places] : formats())
        if (id == name)
            return places;
    return std::nullopt;
}

} // namespace kestrova
