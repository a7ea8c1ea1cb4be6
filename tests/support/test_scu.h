#pragma once
// The product's print SCU as tests and the load generator use it.

#include "test_film/test_images.h"
#include "print_scu/print_scu.h"
#include "data/sop_classes.h"

namespace kestrova::test {

// A SOP class the service does not accept (Print Job).
inline constexpr const char* NotAcceptedSopClass = SopClass::PrintJob;

using kestrova::TransferSyntax;
using ConnectOptions = ScuOptions;
using Response = ScuResponse;
using kestrova::ImageSpec;
using kestrova::Photometric;
using kestrova::makeImage;
using kestrova::makeImageBoxModification;

using TestScu = PrintScu;

// An image of rows x columns whose samples are pixel(row, column, sample); black unless given.
inline ImageSpec sizedImage(int rows, int columns,
                            std::function<std::uint16_t(int, int, int)> pixel = [](int, int, int) { return 0; },
                            int bitsStored = 8, Photometric photometric = Photometric::Monochrome2)
{
    ImageSpec image;
    image.rows = rows;
    image.columns = columns;
    image.bitsStored = bitsStored;
    image.photometric = photometric;
    image.pixel = std::move(pixel);
    return image;
}

} // namespace kestrova::test
