#pragma once
// The page file every printer prints from: the film's page written as PDF the fast way (Qt lays
// the page out with a one-row stand-in for each picture, and qpdf puts the pictures' compressed
// pixels in their place, pdf_images.h), then kept in films/ whole or not at all (film_folder.h).
// On "Kestrova PDF" that file is the film; a CUPS queue is sent it as it is.
//
// Threads: one film, one thread.

#include "printing/page_content.h"
#include "printing/printer_device.h"

#include <QMarginsF>

#include <filesystem>
#include <string>

namespace kestrova {

struct PageFormat {
    PaperSize paper;     // portrait
    QMarginsF marginsMm; // of the portrait paper: left, top, right, bottom
    Orientation orientation = Orientation::Portrait;
};

// The printable area of a page of that format, and the font as the page file sets it.
PrinterMetrics pageFileMetrics(const PageFormat& format, const QFont& font);

// The page written `sheets` times, each on a sheet of its own: the bytes of the film's file.
// Raises PathFileAccess, naming printerName, when films/ (where the layout is written first) or
// the page cannot be written.
std::string filmPdf(const PageFormat& format, const PageContent& page, int sheets, const std::string& printerName);

// Keeps the bytes in films/ under a film name of their own, whole or not at all. Raises
// PathFileAccess with the reason (a full disk, for one) when they cannot be kept.
std::filesystem::path keepFilm(const std::string& bytes);

// The whole file; raises PathFileAccess with the reason when it cannot be read.
std::string readFilmFile(const std::filesystem::path& film);

} // namespace kestrova
