#include "render/film_print.h"

#include "core/file_system.h"
#include "core/program_folder.h"
#include "render/film_paint.h"

namespace kestrova {

FilmPage filmPageFor(const FilmToPrint& film, const FilmJobSettings& settings, const PrinterDevice& printer)
{
    return layOutFilmPage(film, settings, pageFrame(film, settings, printer));
}

PrintedFilm printFilmPage(const FilmPage& page, PrinterDevice& printer)
{
    PrintedFilm printed = printer.print(page.setup, [&page](PageCanvas& canvas) { paintFilmPage(canvas, page); });
    fileSystem().ensureFolder(programPath("images"));
    return printed;
}

FilmPage printFilm(const FilmToPrint& film, const FilmJobSettings& settings, PrinterDevice& printer)
{
    FilmPage page = filmPageFor(film, settings, printer);
    printFilmPage(page, printer);
    return page;
}

} // namespace kestrova
