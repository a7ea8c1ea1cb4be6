#pragma once
// Printing a film box as one page.
//
// Threads: on the print job's thread, with the job's own printer device.

#include "printing/printer_device.h"
#include "render/film_page.h"
#include "render/film_to_print.h"

namespace kestrova {

// The film's page as that printer prints it. Raises what pageFrame and layOutFilmPage raise.
FilmPage filmPageFor(const FilmToPrint& film, const FilmJobSettings& settings, const PrinterDevice& printer);

// Prints the page and says how. Raises an AppError on any failure, after which nothing has
// reached the printer. The images/ folder exists after a printed film.
PrintedFilm printFilmPage(const FilmPage& page, PrinterDevice& printer);

// The film's page for the printer, printed, and returned (for the preview).
FilmPage printFilm(const FilmToPrint& film, const FilmJobSettings& settings, PrinterDevice& printer);

} // namespace kestrova
