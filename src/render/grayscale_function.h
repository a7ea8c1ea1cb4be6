#pragma once
// The Grayscale Standard Display Function of DICOM PS3.14 (luminance of a just-noticeable
// difference index, and its inverse), and what it asks of a hardcopy: the optical density each
// P-value must have on paper or film under the given light. Double precision, as PS3.14 asks.
//
// Threads: pure functions, on any thread.

namespace kestrova {

// JND index 1 .. 1023 to luminance in cd/m² (PS3.14, equation 7-1).
double gsdfLuminance(double jndIndex);
// Luminance in cd/m² (0.05 .. 3993.4) to JND index (PS3.14, equation 7-2).
double gsdfJndIndex(double luminance);

// How a hardcopy is looked at: Illumination (2010,015E), the luminance of the light on it with
// no density in the way, and Reflected Ambient Light (2010,0160), both in cd/m².
struct HardcopyLight {
    double illumination = 150.0;
    double reflectedAmbient = 0.0;

    // L = La + L0 x 10^-D
    double luminanceOf(double density) const;
    double densityOf(double luminance) const;
};

// The density a P-value (0 darkest .. 1 brightest) must have for the print to follow the GSDF
// between maxDensity (at 0) and minDensity (at 1), both in OD, under that light.
double gsdfDensity(double pValue, double minDensity, double maxDensity, const HardcopyLight& light);

} // namespace kestrova
