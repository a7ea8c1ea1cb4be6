#include "render/film_print.h"

#include "core/file_system.h"
#include "core/program_folder.h"
#include "render/film_paint.h"

namespace kestrova {

FilmPage printFilm(const FilmToPrint& film, const FilmJobSettings& settings, PrinterDevice& printer)
{
    FilmPage page = layOutFilmPage(film, settings, pageFrame(film, settings, printer));
    printer.print(page.setup, [&page](PageCanvas& canvas) { paintFilmPage(canvas, page); });
    fileSystem().ensureFolder(programPath("images"));
    return page;
}

} // namespace kestrova
