#pragma once
// Reading a DICOM image file for printing: the Image Pixel module of its one frame, as an
// image box's image sequence item carries it.

#include "data/data_set.h"

#include <filesystem>
#include <string>
#include <variant>

namespace kestrova {

// The image, or what keeps the file from being sent, in words for the user.
std::variant<DataSetPtr, std::string> readPrintableImage(const std::filesystem::path& file);

} // namespace kestrova
