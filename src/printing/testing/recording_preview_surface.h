#pragma once
// A 4800 x 3600 preview surface that records what it was asked to draw.

#include "printing/testing/recording_printer_device.h"

namespace kestrova::test {

class RecordingPreviewSurface final : public PreviewSurface {
public:
    // Painted since the last clear.
    const std::vector<RecordedPicture>& pictures() const { return pictures_; }
    int clearCount() const { return clearCount_; }
    int refreshCount() const { return refreshCount_; }

    void clear() override
    {
        pictures_.clear();
        ++clearCount_;
    }
    float scaleWidth() const override { return 4800; }
    float scaleHeight() const override { return 3600; }
    void paintPicture(const Picture& picture, float x, float y, double width, double height) override
    {
        pictures_.push_back(RecordedPicture{x, y, width, height, picture.image});
    }
    void refresh() override { ++refreshCount_; }

private:
    std::vector<RecordedPicture> pictures_;
    int clearCount_ = 0;
    int refreshCount_ = 0;
};

} // namespace kestrova::test
