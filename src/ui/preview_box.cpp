#include "ui/preview_box.h"

#include "render/film_paint.h"

#include <QPainter>
#include <QResizeEvent>

namespace kestrova {

PreviewBox::PreviewBox(QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
}

QColor PreviewBox::background() const { return palette().color(QPalette::Window); }

void PreviewBox::clear()
{
    fitBackingToBox();
    backing_.fill(background());
    update();
}

void PreviewBox::showFilm(const FilmPage& page)
{
    clear();
    QPainter painter(&backing_);
    paintFilmPreview(painter, page, contentsRect().size());
}

void PreviewBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), backing_);
}

void PreviewBox::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    fitBackingToBox();
}

// A new size keeps what was drawn at its place; the rest shows the background.
void PreviewBox::fitBackingToBox()
{
    const QSize size = contentsRect().size().expandedTo(QSize(1, 1));
    if (backing_.size() == size)
        return;
    QImage resized(size, QImage::Format_RGB32);
    resized.fill(background());
    if (!backing_.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, backing_);
    }
    backing_ = std::move(resized);
}

} // namespace kestrova
