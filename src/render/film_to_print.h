#pragma once
// What printing one film box reads, taken from the stored film objects when its N-ACTION came:
// the job then needs nothing else of the store, and the requester's later requests change
// nothing it prints.

#include "core/configuration.h"
#include "core/lut_table.h"
#include "data/data_set.h"
#include "picture/picture.h"
#include "picture/picture_pixels.h"
#include "render/print_grey_scale.h"

#include <memory>
#include <optional>
#include <vector>

namespace kestrova {

struct ImageBoxToPrint {
    // The image box's own attributes (Polarity, Magnification Type, Requested Image Size ...).
    DataSet attributes;
    // The picture of its image, decoded; null for an image box without an image (an empty cell).
    // A picture kept compressed is inflated only where the film changes its pixels.
    std::shared_ptr<const Picture> picture;
    // The Presentation LUT its Referenced Presentation LUT Sequence names, if any; it wins over
    // the film box's.
    std::optional<PresentationCurve> presentationLut;
};

struct FilmToPrint {
    DataSet filmBox;     // its attributes, Image Display Format among them
    DataSet filmSession; // its session's attributes: Number of Copies
    // In position order: item k of the film box's Referenced Image Box Sequence is cell k.
    std::vector<ImageBoxToPrint> imageBoxes;
    // The Presentation LUT the film box's Referenced Presentation LUT Sequence names, if any.
    std::optional<PresentationCurve> presentationLut;
    // The attributes of its annotation boxes (Annotation Position, Text String), in creation order.
    std::vector<DataSet> annotationBoxes{};
};

// The most pixels a picture needs on a 14 x 17 inch film at 600 dpi, the largest page the built-in
// printer prints: what a job takes until the printer has been asked.
inline constexpr PixelBounds LargestFilmPicture{10200, 8400};

// The program's configuration as it was when the job started, the LUT table, the most pixels a
// picture needs on the job's printer, and that printer: chosen when the service starts, so that a
// queue removed later fails its films instead of sending them to another printer.
struct FilmJobSettings {
    Configuration configuration;
    LutState lut;
    PixelBounds largestPicture = LargestFilmPicture;
    std::string printer{};
};

} // namespace kestrova
