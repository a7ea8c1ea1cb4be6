#pragma once
// N-CREATE, N-GET, N-SET and N-DELETE on one association's objects. Each either returns what
// the requester is answered with or raises a RequestFailure with its status.
//
// Threads: called under the print service's lock.

#include "network/dicom_service.h"
#include "picture/picture_pixels.h"
#include "print_service/object_store.h"

#include <memory>

namespace kestrova {

// The created object's data set; a film box with its image boxes, one per cell of its Image
// Display Format, of the image box class of the meta SOP class the request came over.
DataSetPtr createObject(ObjectStore& store, const Request& request);

// The stored object, with Printer Status; the Printer instance is given by the caller.
DataSetPtr getObject(const ObjectStore& store, const Request& request);

// An image just set in an image box, to be decoded and kept as its picture.
struct ArrivedImage {
    std::shared_ptr<ImageBox> imageBox;
    DataSetPtr image;
    bool completesItsFilm = false;
};

// Replaces or adds the attributes sent; the image an image box received, if any. An image is
// charged to the association's pixel budget before anything else changes (image bytes received
// plus its rendition at the size within largestPicture), in place of the image it replaces: one
// the budget cannot take is refused with 0xC605, pixel data shorter than its attributes declare
// with 0x0106, and the image box then stays as it was. An empty image sequence takes the image
// away and frees what it held.
std::optional<ArrivedImage> setAttributes(ObjectStore& store, const Request& request, const PixelBounds& largestPicture);

// Keeps the picture decoded from the image, unless another image took its place meanwhile; the
// image item then goes without its pixel data, and the image box's charge becomes what the
// picture holds. Without a picture (the image could not be decoded) the pixel data stays, and
// the charge becomes its size.
void keepPicture(const ArrivedImage& arrived, std::shared_ptr<const Picture> picture);

void deleteObject(ObjectStore& store, const Request& request);

} // namespace kestrova
