#include "printing/printer_densities.h"

#include "core/errors.h"
#include "core/interpolation.h"
#include "core/number_text.h"
#include "core/program_folder.h"
#include "core/text_file.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace kestrova {
namespace {

constexpr double TopLevel = 255.0;
constexpr std::size_t MostDensities = 256;
constexpr std::string_view Separators = "; \t\r\n";

std::vector<double> measuredOnPlainPaper()
{
    constexpr int Steps = 18;
    constexpr double Paper = 0.07;
    constexpr double Toner = 1.45;
    std::vector<double> densities;
    for (int step = 0; step < Steps; ++step) {
        const double covered = 1.0 - step / double(Steps - 1);
        // Murray-Davies: the reflectance falls with the area the toner covers.
        densities.push_back(Paper - std::log10(1.0 - covered * (1.0 - std::pow(10.0, -Toner))));
    }
    return densities;
}

std::vector<double> densitiesIn(const std::string& text)
{
    std::vector<double> densities;
    std::size_t start = text.find_first_not_of(Separators);
    while (start != std::string::npos && densities.size() <= MostDensities) {
        const std::size_t end = std::min(text.find_first_of(Separators, start), text.size());
        const auto density = parseDecimalNumber(std::string_view(text).substr(start, end - start));
        if (!density)
            throw AppError(ErrorCode::InvalidArgument, "\"" + text.substr(start, end - start) + "\" is no density");
        densities.push_back(*density);
        start = text.find_first_not_of(Separators, end);
    }
    return densities;
}

} // namespace

PrinterDensities::PrinterDensities(std::vector<double> densities) : densities_(std::move(densities))
{
    if (densities_.size() < 2 || densities_.size() > MostDensities)
        throw AppError(ErrorCode::InvalidArgument, "A printer's densities are 2 to 256 measurements, not " +
                                                       std::to_string(densities_.size()));
    if (std::adjacent_find(densities_.begin(), densities_.end(), std::less_equal<>()) != densities_.end())
        throw AppError(ErrorCode::InvalidArgument,
                       "A printer's densities fall from black to paper, each below the one before");
}

double PrinterDensities::densityAt(double level) const
{
    return valueAtPosition(densities_, std::clamp(level, 0.0, TopLevel) * double(densities_.size() - 1) / TopLevel);
}

double PrinterDensities::levelFor(double density) const
{
    const double wanted = std::clamp(density, paper(), darkest());
    // The first measured level that prints no more than the density wanted; it lies between
    // that level and the one before.
    const auto after = std::find_if(densities_.begin() + 1, densities_.end(), [&](double d) { return d <= wanted; });
    const auto index = static_cast<std::size_t>(after - densities_.begin());
    const double fraction = (densities_[index - 1] - wanted) / (densities_[index - 1] - densities_[index]);
    return (double(index - 1) + fraction) * TopLevel / double(densities_.size() - 1);
}

const PrinterDensities& defaultPaperDensities()
{
    static const PrinterDensities densities(measuredOnPlainPaper());
    return densities;
}

std::filesystem::path calibrationFilePath(const std::string& printerName)
{
    return programPath("Calibration") / (printerName + ".txt");
}

PrinterDensities printerDensities(const std::string& printerName)
{
    const std::filesystem::path file = calibrationFilePath(printerName);
    std::error_code ignored;
    if (printerName.empty() || !std::filesystem::exists(file, ignored))
        return defaultPaperDensities();
    try {
        return PrinterDensities(densitiesIn(readTextFile(file)));
    } catch (const AppError& error) {
        throw AppError(error.code(), "Calibration file " + file.string() + ": " + error.description());
    }
}

} // namespace kestrova
