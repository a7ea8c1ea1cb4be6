#pragma once
// pBox: the main window's preview of the film printed last. Drawing goes into a backing image,
// so the preview survives being covered and repainted; its unit is the pixel.

#include "render/film_page.h"

#include <QFrame>
#include <QImage>

namespace kestrova {

class PreviewBox : public QFrame {
    Q_OBJECT
public:
    explicit PreviewBox(QWidget* parent = nullptr);

    void clear();
    // The film's cells over the whole box, each picture fitted into its cell.
    void showFilm(const FilmPage& page);

    // What the preview shows now.
    const QImage& image() const { return backing_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QColor background() const;
    void fitBackingToBox();

    QImage backing_;
};

} // namespace kestrova
