#pragma once
// The grey scale a film asks for on paper. With a Presentation LUT, or Min or Max Density, the
// 8-bit rendition of an image box's pixels is taken as P-values (after the Presentation LUT)
// that must print at the densities PS3.14 gives them: through the Grayscale Standard Display
// Function between the luminances of Max and Min Density under the film's light (IDENTITY and a
// LUT of its own), or linear in density (LIN OD). The printer's densities say which drive level
// prints each density. A film that asks for none of this prints its levels as they are.
//
// Threads: pure functions and values, on any thread.

#include "data/data_set.h"
#include "printing/printer_densities.h"
#include "render/grayscale_function.h"
#include "render/rendition.h"

#include <optional>
#include <vector>

namespace kestrova {

// What a Presentation LUT makes of an image box's pixel values.
struct PresentationCurve {
    enum class Shape { Identity, LinearDensity, Table };
    Shape shape = Shape::Identity;
    // For Table: the P-values (0 .. 1) of evenly spaced pixel values, lowest to highest; at
    // least two.
    std::vector<double> table;

    // The P-value (0 .. 1) of a pixel value given as 0 (lowest) .. 1 (highest).
    double pValue(double pixel) const;
};

// What the film box asks of the densities: Min and Max Density (2010,0120), (2010,0130) in
// hundredths of OD as sent, Illumination and Reflected Ambient Light.
struct DensityRequest {
    std::optional<double> minDensity;
    std::optional<double> maxDensity;
    HardcopyLight light;

    bool asksForDensities() const { return minDensity || maxDensity; }
};

// Min and Max Density in OD, the light in cd/m²; an Illumination of 0, absent or unreadable
// values keep the defaults for reflective paper (150 cd/m², no reflected ambient light).
DensityRequest densityRequestOf(const DataSet& filmBox);

// The drive level each 8-bit level prints at. Min and Max Density default to the printer's
// paper and darkest density and are clamped to them.
LevelCurve printGreyScale(const PresentationCurve& curve, const DensityRequest& request,
                          const PrinterDensities& printer);

} // namespace kestrova
