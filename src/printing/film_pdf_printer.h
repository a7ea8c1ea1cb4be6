#pragma once
// The built-in printer "Kestrova PDF": its films are the page files in films/ (film_file.h), a
// page per copy, on paper of the film's size.
//
// Threads: made for one job and used on its thread (see printer_device.h).

#include "printing/printer_device.h"

namespace kestrova {

inline constexpr const char* BuiltInPdfPrinterName = "Kestrova PDF";

class FilmPdfPrinter final : public PrinterDevice {
public:
    // Film sizes and densities are printed: a film file is the one place where a requester
    // that asks for film gets what film would show.
    PrinterCapabilities capabilities() const override;
    PrinterMetrics metrics(const PageSetup& setup, const QFont& font) const override;
    // Raises PathFileAccess when films/ or the film cannot be written; no film is left then.
    PrintedFilm print(const PageSetup& setup, const PagePaint& paint) override;
    // A copy of the film under a film name of its own.
    PrintedFilm reprint(const PrintedFilm& film) override;
    // Ready while films/ can be written and its disk has room (film_folder.h).
    PrinterState state() const override;
};

} // namespace kestrova
