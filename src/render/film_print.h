#pragma once
// Printing a film box as one page.
//
// Threads: on the print job's thread, with the job's own printer device.

#include "printing/printer_device.h"
#include "render/film_page.h"
#include "render/film_to_print.h"

namespace kestrova {

// Computes the film's page for the printer, prints it and returns it (for the preview).
// Raises an AppError on any failure (see film_page.h for the film's own faults), after which
// nothing has reached the printer. The images/ folder exists after a printed film.
FilmPage printFilm(const FilmToPrint& film, const FilmJobSettings& settings, PrinterDevice& printer);

} // namespace kestrova
