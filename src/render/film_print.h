#pragma once
// Printing a film box as one page, and a film session as one page per film box.

#include "render/film_to_print.h"
#include "render/print_context.h"

#include <cstdint>
#include <string>

namespace kestrova {

// Prints the film box stored under filmBoxUid. Returns Success after a printed page and
// Processing Failure after any failure, which is logged under "DoPrint"; a failed job
// discards its partial page. The printer selected before the job is selected again.
std::uint16_t DoPrint(const std::string& filmBoxUid, const PrintContext& context);

// Prints every film box of the session that is still stored, in creation order.
// "No film box" when there is none; Processing Failure when any of them failed.
std::uint16_t PrintFilmSession(const DataSet& filmSession, const PrintContext& context);

// The page as printed, for the preview.
struct FilmPage;

// Prints one film box as one page on the printer named in the settings (when it is listed).
// Raises an AppError when it cannot; nothing of the film then reaches the printer.
std::shared_ptr<const FilmPage> printFilm(const FilmToPrint& film, const FilmJobSettings& settings,
                                          PrinterDevice& printer);

} // namespace kestrova
