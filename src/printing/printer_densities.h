#pragma once
// What a printer makes of a grey level: the reflected optical density it prints for each drive
// level 0 (black) .. 255 (nothing printed), measured with a densitometer on a step wedge
// (kestrova-send-test-film --step-wedge) and kept per printer in
// Calibration/<printer name>.txt beside the program: the densities of evenly spaced drive
// levels from 0 to 255, in OD, separated by ";", blanks or line breaks, 2 to 256 of them,
// each below the one before. A printer without such a file prints as plain office paper on an
// office laser printer does (DefaultPaperDensities).
//
// Threads: a value; the file is read where the page is laid out.

#include <filesystem>
#include <string>
#include <vector>

namespace kestrova {

class PrinterDensities {
public:
    // Raises InvalidArgument (5) for fewer than 2 densities, more than 256, or densities that
    // do not fall from one drive level to the next.
    explicit PrinterDensities(std::vector<double> densities);

    double darkest() const { return densities_.front(); }
    double paper() const { return densities_.back(); }
    // The density printed at that drive level, linear between the measured levels.
    double densityAt(double level) const;
    // The drive level that prints that density, within paper() .. darkest().
    double levelFor(double density) const;

private:
    std::vector<double> densities_;
};

// 18 steps, drive levels 0, 15, ... 255, of office paper (OD 0.07) under toner that covers it
// wholly at OD 1.45 above the paper, the covered area linear in the drive level.
const PrinterDensities& defaultPaperDensities();

std::filesystem::path calibrationFilePath(const std::string& printerName);

// The printer's calibration file, or the default where it has none. Raises FileNotFound (53)
// or PathFileAccess (75) for a file that cannot be read, InvalidArgument (5) for one that holds
// anything but densities as above; the message names the file.
PrinterDensities printerDensities(const std::string& printerName);

} // namespace kestrova
