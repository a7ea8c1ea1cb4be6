#pragma once
// A preview surface with a fixed scale (4800 x 3600 units unless given) that records
// every call, for the tests of the code that draws the preview.

#include "printing/printer_device.h"
#include "printing/testing/failure_plan.h"
#include "printing/testing/recorded_output.h"

namespace kestrova::test {

enum class PreviewCall { Clear, PaintPicture, Refresh };

class RecordingPreviewSurface final : public PreviewSurface {
public:
    static constexpr float DefaultWidth = 4800;
    static constexpr float DefaultHeight = 3600;

    explicit RecordingPreviewSurface(float scaleWidth = DefaultWidth, float scaleHeight = DefaultHeight);

    void failAfter(PreviewCall call, int successes, ErrorCode code) { failures_.failAfter(call, successes, code); }
    void clearFailures() { failures_.clear(); }

    // Every call in order: "clear", "paintPicture X Y W H WxH", "refresh". Failed calls are left out.
    const std::vector<std::string>& ops() const { return ops_; }
    // Painted since the last clear.
    const std::vector<RecordedPicture>& pictures() const { return pictures_; }
    int clearCount() const { return clearCount_; }
    int refreshCount() const { return refreshCount_; }

    void clear() override;
    float scaleWidth() const override { return scaleWidth_; }
    float scaleHeight() const override { return scaleHeight_; }
    void paintPicture(const Picture& picture, float x, float y, double width, double height) override;
    void refresh() override;

private:
    float scaleWidth_;
    float scaleHeight_;
    FailurePlan<PreviewCall> failures_;
    std::vector<std::string> ops_;
    std::vector<RecordedPicture> pictures_;
    int clearCount_ = 0;
    int refreshCount_ = 0;
};

} // namespace kestrova::test
