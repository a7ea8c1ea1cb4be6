#include "printing/printer_device.h"

namespace kestrova {

std::optional<PaperSize> PrinterCapabilities::paperForFilm(const std::string& filmSizeId) const
{
    if (filmSizes.empty())
        return std::nullopt;
    const auto known = filmSizes.find(filmSizeId);
    return known == filmSizes.end() ? otherFilmSize : known->second;
}

} // namespace kestrova
