#pragma once
// What printing one film box reads, taken from the stored film objects when its N-ACTION came:
// the job then needs nothing else of the store, and the requester's later requests change
// nothing it prints.

#include "core/configuration.h"
#include "core/lut_table.h"
#include "data/data_set.h"
#include "picture/picture.h"

#include <memory>
#include <vector>

namespace kestrova {

struct ImageBoxToPrint {
    // The image box's own attributes (Polarity, Magnification Type, Requested Image Size ...).
    DataSet attributes;
    // The picture of its image, decoded; null for an image box without an image (an empty cell).
    // A picture kept compressed is inflated only where the film changes its pixels.
    std::shared_ptr<const Picture> picture;
};

struct FilmToPrint {
    DataSet filmBox;     // its attributes, Image Display Format among them
    DataSet filmSession; // its session's attributes: Number of Copies
    // In position order: item k of the film box's Referenced Image Box Sequence is cell k.
    std::vector<ImageBoxToPrint> imageBoxes;
};

// The program's configuration as it was when the job started, and the LUT table.
struct FilmJobSettings {
    Configuration configuration;
    LutState lut;
};

} // namespace kestrova
