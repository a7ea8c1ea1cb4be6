#pragma once
// The print objects a requester creates, as types: a film session holds its film boxes in
// creation order, a film box its image boxes in position order and knows its session. Each
// keeps its attributes as the data set N-GET returns and printing reads.
//
// Threads: every object belongs to one association's store and is touched only under the
// print service's lock.

#include "data/data_set.h"
#include "picture/picture.h"
#include "print_service/pixel_budget.h"
#include "render/print_grey_scale.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrova {

struct FilmSession;
struct FilmBox;

// A Presentation LUT as created: its attributes, and what it makes of pixel values. Film boxes
// and image boxes that name it share it, and keep it when it is deleted.
struct PresentationLut {
    std::string uid;
    DataSet attributes;
    PresentationCurve curve;
};

struct ImageBox {
    std::string uid;
    std::string sopClassUid; // grayscale or colour, as the film box's meta SOP class
    // The attributes set, with the image box's own reference (SOP Instance UID, Referenced SOP
    // Class and Instance UID) from its creation on.
    DataSet attributes;
    // The picture of its image, decoded as the image arrived; its image item then lacks the
    // pixel data. Null while the image box has no image, or one that could not be decoded.
    std::shared_ptr<const Picture> picture;
    // What its image holds: from its arrival the pixel data and the rendition decoding makes of
    // it, once decoded the picture's compressed pixels, or the pixel data still when it could not
    // be decoded.
    PixelCharge pixels;
    FilmBox* filmBox = nullptr; // the store removes a film box's image boxes with it
    std::shared_ptr<const PresentationLut> presentationLut; // wins over its film box's
};

// Made with its film box, one per position of the film box's Annotation Display Format ID.
struct AnnotationBox {
    std::string uid;
    // Its own reference from its creation on, then Annotation Position and Text String as set.
    DataSet attributes;
    FilmBox* filmBox = nullptr; // the store removes a film box's annotation boxes with it
};

struct FilmBox {
    std::string uid;
    DataSet attributes;
    std::vector<std::shared_ptr<ImageBox>> imageBoxes; // position k is item k
    std::shared_ptr<const PresentationLut> presentationLut;
    std::vector<std::shared_ptr<AnnotationBox>> annotationBoxes; // in creation order
    FilmSession* session = nullptr; // the store removes a session's film boxes with it
};

struct FilmSession {
    std::string uid;
    DataSet attributes;
    std::vector<std::shared_ptr<FilmBox>> filmBoxes; // in creation order
};

// What the service only keeps and returns.
struct PlainObject {
    std::string uid;
    DataSet attributes;
};

// A box's attributes as its film box makes it: its SOP Instance UID, and the Referenced SOP Class
// and Instance UID that name it.
DataSet boxReference(const std::string& uid, const std::string& sopClassUid);

// The data set N-CREATE and N-GET answer for a film box: its attributes with a Referenced Image
// Box Sequence of its image boxes, and a Referenced Basic Annotation Box Sequence of its
// annotation boxes when it has any.
DataSetPtr filmBoxDataSet(const FilmBox& filmBox);

// Whether every image box of the film box has an image.
bool hasEveryImage(const FilmBox& filmBox);

} // namespace kestrova
