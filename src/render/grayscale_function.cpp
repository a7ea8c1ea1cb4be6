#include "render/grayscale_function.h"

#include <array>
#include <cmath>

namespace kestrova {
namespace {

// Horner's scheme, coefficients from the constant term up.
template <std::size_t N>
double polynomial(const std::array<double, N>& coefficients, double x)
{
    double value = 0.0;
    for (auto coefficient = coefficients.rbegin(); coefficient != coefficients.rend(); ++coefficient)
        value = value * x + *coefficient;
    return value;
}

// a, c, e, g, m over 1, b, d, f, h, k of PS3.14 equation 7-1.
constexpr std::array<double, 5> LuminanceNumerator{-1.3011877, 8.0242636E-2, 1.3646699E-1, -2.5468404E-2,
                                                   1.3635334E-3};
constexpr std::array<double, 6> LuminanceDenominator{1.0, -2.5840191E-2, -1.0320229E-1, 2.8745620E-2,
                                                     -3.1978977E-3, 1.2992634E-4};
// A .. I of equation 7-2.
constexpr std::array<double, 9> JndCoefficients{71.498068, 94.593053,   41.912053,   9.8247004,   0.28175407,
                                                -1.1878455, -0.18014349, 0.14710899, -0.017046845};

} // namespace

double gsdfLuminance(double jndIndex)
{
    const double x = std::log(jndIndex);
    return std::pow(10.0, polynomial(LuminanceNumerator, x) / polynomial(LuminanceDenominator, x));
}

double gsdfJndIndex(double luminance) { return polynomial(JndCoefficients, std::log10(luminance)); }

double HardcopyLight::luminanceOf(double density) const
{
    return reflectedAmbient + illumination * std::pow(10.0, -density);
}

double HardcopyLight::densityOf(double luminance) const
{
    return -std::log10((luminance - reflectedAmbient) / illumination);
}

double gsdfDensity(double pValue, double minDensity, double maxDensity, const HardcopyLight& light)
{
    const double darkest = gsdfJndIndex(light.luminanceOf(maxDensity));
    const double brightest = gsdfJndIndex(light.luminanceOf(minDensity));
    return light.densityOf(gsdfLuminance(darkest + pValue * (brightest - darkest)));
}

} // namespace kestrova
