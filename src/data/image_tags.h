#pragma once
// Attributes of the Image Pixel module that pictures are made from.

#include "data/data_set.h"

namespace kestrova::ImageTag {

inline constexpr Tag SamplesPerPixel{0x0028, 0x0002};
inline constexpr Tag PhotometricInterpretation{0x0028, 0x0004};
inline constexpr Tag PlanarConfiguration{0x0028, 0x0006};
inline constexpr Tag Rows{0x0028, 0x0010};
inline constexpr Tag Columns{0x0028, 0x0011};
inline constexpr Tag PixelAspectRatio{0x0028, 0x0034};
inline constexpr Tag BitsAllocated{0x0028, 0x0100};
inline constexpr Tag BitsStored{0x0028, 0x0101};
inline constexpr Tag HighBit{0x0028, 0x0102};
inline constexpr Tag PixelRepresentation{0x0028, 0x0103};
inline constexpr Tag WindowCenter{0x0028, 0x1050};
inline constexpr Tag WindowWidth{0x0028, 0x1051};
inline constexpr Tag PixelData{0x7FE0, 0x0010};

} // namespace kestrova::ImageTag
