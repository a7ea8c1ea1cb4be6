#include "ui/preview_box.h"

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

float PreviewBox::scaleWidth() const { return static_cast<float>(contentsRect().width()); }

float PreviewBox::scaleHeight() const { return static_cast<float>(contentsRect().height()); }

void PreviewBox::paintPicture(const Picture& picture, float x, float y, double width, double height)
{
    fitBackingToBox();
    QPainter painter(&backing_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(x, y, width, height), picture.image);
}

void PreviewBox::refresh() { update(); }

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
