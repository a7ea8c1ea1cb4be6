#include "printing/printer_device.h"

#include "core/rounding.h"
#include "printing/page_units.h"

#include <algorithm>

namespace kestrova {

std::optional<PaperSize> PrinterCapabilities::paperForFilm(const std::string& filmSizeId) const
{
    if (filmSizes.empty())
        return std::nullopt;
    const auto known = filmSizes.find(filmSizeId);
    return known == filmSizes.end() ? otherFilmSize : known->second;
}

PixelBounds PrinterCapabilities::largestPicture() const
{
    const auto pixels = [this](double millimetres) { return roundHalfEven<int>(millimetres * TwipsPerMm * dotsPerInch / TwipsPerInch); };
    return PixelBounds{pixels(std::max(largestPaper.widthMm, largestPaper.heightMm)),
                       pixels(std::min(largestPaper.widthMm, largestPaper.heightMm))};
}

PaperSize largestOf(const std::vector<PaperSize>& papers)
{
    if (papers.empty())
        return A3Paper;
    PaperSize largest;
    for (const PaperSize& paper : papers) {
        largest.widthMm = std::max(largest.widthMm, std::min(paper.widthMm, paper.heightMm));
        largest.heightMm = std::max(largest.heightMm, std::max(paper.widthMm, paper.heightMm));
    }
    return largest;
}

} // namespace kestrova
