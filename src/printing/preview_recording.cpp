#include "preview_recording.h"

namespace kestrova {

PreviewRecording::PreviewRecording(const PreviewSurface& shownOn)
    : scaleWidth_(shownOn.scaleWidth()), scaleHeight_(shownOn.scaleHeight())
{
}

void PreviewRecording::clear()
{
    painted_.clear();
    cleared_ = true;
    refreshed_ = false;
}

void PreviewRecording::paintPicture(const Picture& picture, float x, float y, double width, double height)
{
    painted_.push_back(Painted{picture, x, y, width, height});
}

void PreviewRecording::showOn(PreviewSurface& preview) const
{
    if (cleared_)
        preview.clear();
    for (const Painted& painted : painted_)
        preview.paintPicture(painted.picture, painted.x, painted.y, painted.width, painted.height);
    if (refreshed_)
        preview.refresh();
}

} // namespace kestrova
