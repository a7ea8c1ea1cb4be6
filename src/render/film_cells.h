#pragma once
// The cells of the film grid: each image box's picture placed in its cell, as the printer
// takes it, or the empty cell's fill.
//
// Threads: pure functions, on any thread.

#include "printing/resampling.h"
#include "render/film_page.h"
#include "render/print_grey_scale.h"
#include "render/picture_fit.h"

#include <cstdint>
#include <optional>

namespace kestrova {

// The grey scale a film asks for (print_grey_scale.h), and what its printer prints.
struct FilmGreyScale {
    DensityRequest densities;
    std::optional<PresentationCurve> presentationLut;
    PrinterDensities printer = defaultPaperDensities();
};

// What the film box and the settings ask of every cell.
struct FilmCellStyle {
    // The film box's Magnification Type; an image box's own overrides it.
    std::optional<Resampling> magnification;
    // The grey level an empty cell is filled with; none leaves it as the page is.
    std::optional<std::uint8_t> emptyCellGrey;
    FilmGreyScale greyScale;
    const LutTable* outputCurve = nullptr;
    int dotsPerInch = 0;
};

// Magnification Type as DICOM names it: REPLICATE and NONE replicate pixels, BILINEAR and
// CUBIC smooth; anything else, or nothing, leaves the printer its own way.
std::optional<Resampling> resamplingFor(const Attribute& magnificationType);

// The image box's Requested Image Size (width in mm) when the picture fits the cell at it,
// centred; otherwise the picture fitted as large as the cell allows. Its Polarity and
// Magnification Type apply to the pixels, and to a grayscale image the grey scale, when the
// film box asks for densities or a Presentation LUT is referenced.
FilmCell filmCell(const ImageBoxToPrint& imageBox, const Cell& cell, const FilmCellStyle& style);

} // namespace kestrova
