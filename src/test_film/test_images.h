#pragma once
// Synthetic images for print requests: the Image Pixel module built from a pixel function,
// and the image box N-SET that carries an image.

#include "data/data_set.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrova {

enum class Photometric { Monochrome1, Monochrome2, RgbInterleaved, RgbPlanar };

struct ImageSpec {
    int rows = 4;
    int columns = 4;
    int bitsStored = 8; // 8, 12 or 16; more than 8 is coded in 16 bits (OW)
    Photometric photometric = Photometric::Monochrome2;
    // The stored value of a pixel's sample (0 for monochrome, 0..2 for RGB).
    std::function<std::uint16_t(int row, int column, int sample)> pixel = [](int, int, int) { return 0; };
    std::string pixelAspectRatio; // "V\H", left out when empty
};

DataSetPtr makeImage(const ImageSpec& imageSpec);

// Whether an image (its Image Pixel module) is RGB, so that it goes into a color image box.
bool isColorImage(const DataSet& image);

// The N-SET modification list of an image box: Image Box Position and the image wrapped
// in a Basic Grayscale or (for RGB) Basic Color Image Sequence.
DataSetPtr imageBoxModification(const DataSetPtr& image, int imageBoxPosition = 1);
DataSetPtr makeImageBoxModification(const ImageSpec& imageSpec, int imageBoxPosition = 1);

} // namespace kestrova
