#pragma once
// A film page painted: on a printer's page, and as the window's preview of the film.
//
// Threads: on the thread the canvas or the painter belongs to; the page is only read.

#include "render/film_page.h"

#include <QSizeF>

#include <vector>

class QPainter;

namespace kestrova {

// Caption lines, logo and border, then the cells in position order.
void paintFilmPage(PageCanvas& canvas, const FilmPage& page);

// The preview shows the grid alone: the film's cells laid over the whole preview area (in its
// own units) and each picture fitted into its cell.
std::vector<PlacedPicture> previewPictures(const FilmPage& page, QSizeF area);
void paintFilmPreview(QPainter& painter, const FilmPage& page, QSizeF area);

} // namespace kestrova
