#pragma once
// Pictures from files, and images in the only two forms that go to a printer.

#include "picture/picture.h"

#include <filesystem>

namespace kestrova {

// Any format the Qt image plug-ins read (PNG, JPEG, BMP and GIF at least). The size comes
// from the file's own resolution; a file that states none counts as 96 dpi. Raises
// FileNotFound for a missing file and InvalidPicture for one that does not decode.
Picture loadPictureFile(const std::filesystem::path& file);

// The image as 8-bit grayscale or RGB, transparent parts laid on white paper.
QImage printableImage(const QImage& image);

} // namespace kestrova
