#pragma once
// The cells of the film grid: each image box's picture placed in its cell, as the printer
// takes it, or the empty cell's fill.
//
// Threads: pure functions, on any thread.

#include "core/errors.h"
#include "printing/resampling.h"
#include "render/film_page.h"
#include "render/print_grey_scale.h"
#include "render/picture_fit.h"

#include <cstdint>
#include <optional>
#include <string>

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
    std::string magnificationType;
    // The grey level an empty cell is filled with; none leaves it as the page is.
    std::optional<std::uint8_t> emptyCellGrey;
    FilmGreyScale greyScale;
    const LutTable* outputCurve = nullptr;
    // What pictures are resampled to: the printer's resolution, or less as the film asks.
    int dotsPerInch = 0;
    // Trim YES: a thin black frame over the edges of each picture.
    bool trim = false;
};

// Raised for an image box whose picture is larger than its cell at the size it asks for while
// it asks to be neither decimated nor cropped (Requested Decimate/Crop Behavior FAIL).
class ImageLargerThanCell : public AppError {
public:
    explicit ImageLargerThanCell(const std::string& description) : AppError(ErrorCode::InvalidArgument, description) {}
};

// A code string attribute's text without its padding; "" when absent or empty.
std::string trimmedText(const DataSet& dataSet, Tag tag);

// Magnification Type as DICOM names it: REPLICATE and NONE replicate pixels, BILINEAR and
// CUBIC smooth; anything else, or nothing, leaves the printer its own way.
std::optional<Resampling> resamplingFor(const std::string& magnificationType);

// Requested Resolution ID: STANDARD 300 dpi and HIGH 600 dpi, neither finer than the printer;
// anything else, or nothing, the printer's own resolution.
int requestedDotsPerInch(const std::string& requestedResolutionId, int printerDotsPerInch);

// The picture at the size the image box asks for, centred in the cell: its Requested Image Size
// (width in mm), or with Magnification Type NONE a pixel of the picture per dot. Where that is
// larger than the cell, Requested Decimate/Crop Behavior decides: CROP prints the picture's centre
// at that size, FAIL raises ImageLargerThanCell, DECIMATE or anything else fits the picture to the
// cell. A picture that asks for no size is fitted as large as the cell allows, and with NONE so is
// one that fits at its size. Its Polarity and Magnification Type apply to the pixels, and to a
// grayscale image the grey scale, when the film box asks for densities or a Presentation LUT is
// referenced.
FilmCell filmCell(const ImageBoxToPrint& imageBox, const Cell& cell, const FilmCellStyle& style);

} // namespace kestrova
