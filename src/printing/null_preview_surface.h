#pragma once
// The preview of a program without a window: nothing is shown.

#include "printing/printer_device.h"

namespace kestrova {

class NullPreviewSurface final : public PreviewSurface {
public:
    void clear() override {}
    float scaleWidth() const override { return 0; }
    float scaleHeight() const override { return 0; }
    void paintPicture(const Picture&, float, float, double, double) override {}
    void refresh() override {}
};

} // namespace kestrova
