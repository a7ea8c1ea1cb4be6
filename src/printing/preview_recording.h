#pragma once
// The preview of a job that prints away from the UI thread: what the job draws is kept, at the
// scale the real preview had when the job began, and shown on the real one once the job is
// done, on the UI thread.

#include "printing/printer_device.h"

#include <vector>

namespace kestrova {

class PreviewRecording final : public PreviewSurface {
public:
    // On the UI thread.
    explicit PreviewRecording(const PreviewSurface& shownOn);

    void clear() override;
    float scaleWidth() const override { return scaleWidth_; }
    float scaleHeight() const override { return scaleHeight_; }
    void paintPicture(const Picture& picture, float x, float y, double width, double height) override;
    void refresh() override { refreshed_ = true; }

    // On the UI thread: what was drawn since the last clear, as the job left it.
    void showOn(PreviewSurface& preview) const;

private:
    struct Painted {
        Picture picture;
        float x = 0;
        float y = 0;
        double width = 0;
        double height = 0;
    };

    float scaleWidth_;
    float scaleHeight_;
    bool cleared_ = false;
    bool refreshed_ = false;
    std::vector<Painted> painted_;
};

} // namespace kestrova
