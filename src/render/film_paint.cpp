#include "render/film_paint.h"

#include "render/film_grid.h"
#include "render/picture_fit.h"

#include <QPainter>

namespace kestrova {

void paintFilmPage(PageCanvas& canvas, const FilmPage& page)
{
    for (const CaptionLine& caption : page.captions)
        canvas.drawText(caption.baseline, page.captionFont, caption.text);
    if (page.logo)
        canvas.drawPicture(page.logo->target, page.logo->picture);
    if (page.border)
        canvas.fillRectangle(page.border->area, page.border->grey);
    for (const FilmCell& cell : page.cells) {
        if (cell.fill)
            canvas.fillRectangle(cell.fill->area, cell.fill->grey);
        if (cell.picture)
            canvas.drawPicture(cell.picture->target, cell.picture->picture);
        for (const FilledArea& edge : cell.frame)
            canvas.fillRectangle(edge.area, edge.grey);
    }
}

std::vector<PlacedPicture> previewPictures(const FilmPage& page, QSizeF area)
{
    std::vector<PlacedPicture> placed;
    std::size_t position = 0;
    forEachCell(GridArea{0, 0, area.width(), area.height()}, page.layout, [&](const Cell& previewCell) {
        const FilmCell& cell = page.cells.at(position++);
        if (!cell.picture)
            return;
        const Picture& picture = cell.picture->picture;
        const FittedPicture fitted = fitPicture(previewCell, picture.widthHimetric, picture.heightHimetric);
        placed.push_back(PlacedPicture{QRectF(fitted.x, fitted.y, fitted.width, fitted.height), picture});
    });
    return placed;
}

void paintFilmPreview(QPainter& painter, const FilmPage& page, QSizeF area)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const PlacedPicture& placed : previewPictures(page, area))
        painter.drawImage(placed.target, withImage(placed.picture).image);
}

} // namespace kestrova
