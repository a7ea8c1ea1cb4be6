#pragma once
// The built-in printer "Kestrova PDF": one PDF per film in films/ (see film_folder.h), a page
// per copy, on paper of the film's size. Qt lays the page out with a one-row stand-in for each
// picture, and the pictures' compressed pixels then replace the stand-ins (pdf_images.h).
//
// Threads: made for one job and used on its thread (see printer_device.h).

#include "printing/printer_device.h"

#include <filesystem>

namespace kestrova {

inline constexpr const char* BuiltInPdfPrinterName = "Kestrova PDF";

class FilmPdfPrinter final : public PrinterDevice {
public:
    // Film sizes and densities are printed: a film file is the one place where a requester
    // that asks for film gets what film would show.
    PrinterCapabilities capabilities() const override;
    PrinterMetrics metrics(const PageSetup& setup, const QFont& font) const override;
    // Raises PathFileAccess when films/ or the film cannot be written; no film is left then.
    void print(const PageSetup& setup, const PagePaint& paint) override;
};

} // namespace kestrova
