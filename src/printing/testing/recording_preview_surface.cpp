#include "recording_preview_surface.h"

namespace kestrova::test {

RecordingPreviewSurface::RecordingPreviewSurface(float scaleWidth, float scaleHeight)
    : scaleWidth_(scaleWidth), scaleHeight_(scaleHeight)
{
}

void RecordingPreviewSurface::clear()
{
    failures_.check(PreviewCall::Clear);
    pictures_.clear();
    ++clearCount_;
    ops_.emplace_back("clear");
}

void RecordingPreviewSurface::paintPicture(const Picture& picture, float x, float y, double width, double height)
{
    failures_.check(PreviewCall::PaintPicture);
    const auto painted = recordPicture(picture, x, y, width, height);
    pictures_.push_back(painted);
    ops_.push_back(describe(painted));
}

void RecordingPreviewSurface::refresh()
{
    failures_.check(PreviewCall::Refresh);
    ++refreshCount_;
    ops_.emplace_back("refresh");
}

} // namespace kestrova::test
