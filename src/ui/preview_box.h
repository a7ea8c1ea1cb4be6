#pragma once
// pBox: the main window's preview of the film being printed. Drawing goes into a backing
// image, so the preview survives being covered and repainted; its scale unit is the pixel.

#include "printing/printer_device.h"

#include <QFrame>
#include <QImage>

namespace kestrova {

class PreviewBox : public QFrame, public PreviewSurface {
    Q_OBJECT
public:
    explicit PreviewBox(QWidget* parent = nullptr);

    void clear() override;
    float scaleWidth() const override;
    float scaleHeight() const override;
    void paintPicture(const Picture& picture, float x, float y, double width, double height) override;
    void refresh() override;

    // What the preview shows now, in its scale units.
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
