#include "print_service/object_requests.h"

#include "data/image_tags.h"
#include "data/print_tags.h"
#include "data/sop_classes.h"
#include "data/uid.h"
#include "images/image.h"
#include "print_service/dimse_status.h"
#include "print_service/presentation_luts.h"
#include "print_service/request_failure.h"
#include "print_service/request_rules.h"
#include "render/annotation_formats.h"
#include "render/display_format.h"

#include <algorithm>
#include <limits>

namespace kestrova {

namespace {

std::shared_ptr<FilmSession> createFilmSession(const std::string& uid, DataSet attributes)
{
    auto session = std::make_shared<FilmSession>();
    session->uid = uid;
    session->attributes = std::move(attributes);
    return session;
}

Attribute requiredAttribute(const DataSet& object, Tag tag, const char* name)
{
    Attribute attribute = object.attribute(tag);
    if (attribute.isNull())
        throw RequestFailure(DimseStatus::MissingAttribute, ErrorCode::InvalidUseOfNull, std::string("No ") + name);
    return attribute;
}

std::int16_t imageBoxCount(const std::string& displayFormat)
{
    FilmLayout layout;
    try {
        layout = DecodeFormat(displayFormat);
    } catch (const AppError& error) {
        throw RequestFailure(DimseStatus::InvalidAttributeValue, error.code(),
                             error.description() + ": Image Display Format \"" + displayFormat + "\"");
    }
    const auto& lines = layout.cellsPerLine;
    if (lines.empty() || std::any_of(lines.begin(), lines.end(), [](std::int16_t cells) { return cells < 1; }))
        throw RequestFailure(DimseStatus::InvalidAttributeValue, ErrorCode::InvalidArgument,
                             "No image boxes in Image Display Format \"" + displayFormat + "\"");
    if (layout.cellCount() > std::numeric_limits<std::int16_t>::max())
        throw RequestFailure(DimseStatus::InvalidAttributeValue, ErrorCode::Overflow,
                             "Too many image boxes in Image Display Format \"" + displayFormat + "\"");
    return static_cast<std::int16_t>(layout.cellCount());
}

// The image box class a requester expects is the one of the meta SOP class it negotiated.
const char* imageBoxClassFor(const std::string& metaSopClass)
{
    return metaSopClass == SopClass::BasicColorPrintManagementMeta ? SopClass::BasicColorImageBox
                                                                   : SopClass::BasicGrayscaleImageBox;
}

std::shared_ptr<ImageBox> newImageBox(const char* imageBoxClass, FilmBox& filmBox, PixelAccount& pixels)
{
    auto imageBox = std::make_shared<ImageBox>();
    imageBox->pixels = PixelCharge(pixels);
    imageBox->uid = newUid();
    imageBox->sopClassUid = imageBoxClass;
    imageBox->attributes = boxReference(imageBox->uid, imageBoxClass);
    imageBox->filmBox = &filmBox;
    return imageBox;
}

// One annotation box per position of the Annotation Display Format ID, when the film box has one;
// an ID Kestrova does not define refuses the film box.
std::size_t annotationBoxCount(const DataSet& filmBox)
{
    const std::string formatId = filmBox.attribute(PrintTag::AnnotationDisplayFormatId).textOrEmpty();
    if (formatId.empty())
        return 0;
    const auto places = annotationPlaces(formatId);
    if (!places)
        throw RequestFailure(DimseStatus::InvalidAttributeValue, ErrorCode::InvalidArgument,
                             "Annotation Display Format ID \"" + formatId + "\" is not one Kestrova defines");
    return places->size();
}

std::shared_ptr<AnnotationBox> newAnnotationBox(FilmBox& filmBox)
{
    auto annotationBox = std::make_shared<AnnotationBox>();
    annotationBox->uid = newUid();
    annotationBox->attributes = boxReference(annotationBox->uid, SopClass::BasicAnnotationBox);
    annotationBox->filmBox = &filmBox;
    return annotationBox;
}

// The film session item 1 of the Referenced Film Session Sequence names. A sequence without an
// item, or an item without the instance it names, lacks a value the requester had to give.
FilmSession& referencedFilmSession(const ObjectStore& store, const DataSet& filmBox)
{
    const CollectionPtr items = filmBox.attribute(PrintTag::ReferencedFilmSessionSequence).asSequence();
    if (!items || items->count() == 0
        || items->item(1)->attribute(ReferencedSopInstanceUidTag).textOrEmpty().empty())
        throw RequestFailure(DimseStatus::MissingAttributeValue, ErrorCode::InvalidUseOfNull,
                             "Referenced Film Session Sequence names no film session");
    std::string uid;
    try {
        const DataSetPtr& item = items->item(1);
        item->attribute(ReferencedSopClassUidTag).asText(); // required, though the class does not pick the object
        uid = item->attribute(ReferencedSopInstanceUidTag).asText();
    } catch (const AppError& error) {
        throw RequestFailure(DimseStatus::InvalidAttributeValue, error.code(), error.description());
    }
    const auto session = store.find<FilmSession>(uid);
    if (!session)
        throw RequestFailure(DimseStatus::InvalidAttributeValue, ErrorCode::ObjectNotSet,
                             "Referenced film session is not stored");
    return *session;
}

std::shared_ptr<FilmBox> createFilmBox(const ObjectStore& store, const std::string& uid, DataSet attributes,
                                       const std::string& metaSopClass)
{
    const std::string displayFormat
        = requiredAttribute(attributes, PrintTag::ImageDisplayFormat, "Image Display Format").asText();
    requiredAttribute(attributes, PrintTag::ReferencedFilmSessionSequence, "Referenced Film Session Sequence");
    const std::int16_t count = imageBoxCount(displayFormat);
    const std::size_t annotations = annotationBoxCount(attributes);
    auto filmBox = std::make_shared<FilmBox>();
    filmBox->uid = uid;
    filmBox->session = &referencedFilmSession(store, attributes);
    filmBox->presentationLut = referencedPresentationLut(store, attributes).value_or(nullptr);
    filmBox->attributes = std::move(attributes);
    for (std::int16_t i = 0; i < count; ++i)
        filmBox->imageBoxes.push_back(newImageBox(imageBoxClassFor(metaSopClass), *filmBox, store.pixels()));
    for (std::size_t i = 0; i < annotations; ++i)
        filmBox->annotationBoxes.push_back(newAnnotationBox(*filmBox));
    return filmBox;
}

DataSet createdAttributes(const Request& request, const std::string& uid)
{
    DataSet attributes = request.dataSet ? *request.dataSet : DataSet();
    attributes.add(SopClassUidTag, request.sopClassUid);
    attributes.setSopInstanceUid(uid);
    return attributes;
}

bool isPrinter(const std::string& uid) { return uid == SopClass::PrinterInstance; }

DataSet& requireAttributes(const ObjectStore& store, const Request& request)
{
    DataSet* attributes = store.attributesOf(request.sopInstanceUid);
    if (!attributes)
        throw RequestFailure(DimseStatus::NoSuchObjectInstance, ErrorCode::ObjectNotSet,
                             "No such SOP instance " + request.sopInstanceUid);
    return *attributes;
}

void copyAttributes(const DataSetPtr& from, DataSet& to)
{
    if (!from)
        return;
    for (const auto& attribute : from->attributes())
        to.add(attribute);
}

// The image item as printing keeps it once decoded: without its pixel data.
DataSetPtr withoutPixels(const DataSet& image)
{
    auto kept = std::make_shared<DataSet>(image);
    kept->remove(ImageTag::PixelData);
    return kept;
}

// Refused before it is decoded: pixel data that ends before the image would be refused when
// its film prints, after the requester was told it was stored.
void requireWholePixelData(const DataSet& image)
{
    const auto declared = declaredPixels(image);
    if (declared && receivedPixelBytes(image) < declared->bytes())
        throw RequestFailure(DimseStatus::InvalidAttributeValue, ErrorCode::InvalidPicture,
                             "Pixel Data of " + std::to_string(receivedPixelBytes(image)) + " bytes is shorter than the " +
                                 std::to_string(declared->bytes()) + " bytes its Rows, Columns, Samples per Pixel and Bits Allocated declare");
}

// What an image costs from its arrival until it is decoded: its pixel data as received, and the
// rendition decoding makes beside it at the size the picture is kept at.
std::uint64_t arrivingBytes(const DataSet& image, const PixelBounds& largestPicture)
{
    const auto declared = declaredPixels(image);
    return receivedPixelBytes(image) + (declared ? declared->renditionBytes(largestPicture) : 0);
}

// The image box's charge becomes the arriving image's, in place of what its image held before;
// refused, when the budget cannot take it, with nothing of the image box changed.
void chargeArrivingImage(ImageBox& imageBox, const DataSet& image, const PixelBounds& largestPicture)
{
    requireWholePixelData(image);
    const std::uint64_t bytes = arrivingBytes(image, largestPicture);
    if (!imageBox.pixels.resize(bytes))
        throw RequestFailure(DimseStatus::InsufficientMemoryForImage, ErrorCode::Overflow,
                             "Image box " + imageBox.uid + " refused: its image needs " + megabytesText(bytes) + " and " +
                                 imageBox.pixels.account()->describe());
}

// Whether the modification sets the image box's image, or takes it away with an empty sequence.
bool setsImage(const ImageBox* imageBox, const DataSetPtr& modification)
{
    return imageBox && modification && imageSequenceOf(*modification).exists();
}

// Refused before anything changes: what the object's class does not let a requester set.
void checkModification(const ObjectStore& store, const Request& request)
{
    if (!request.dataSet)
        return;
    if (store.find<FilmBox>(request.sopInstanceUid))
        checkFilmBoxModification(*request.dataSet);
    else if (store.find<FilmSession>(request.sopInstanceUid))
        checkNumberOfCopies(*request.dataSet);
    else if (const auto annotationBox = store.find<AnnotationBox>(request.sopInstanceUid))
        checkAnnotationPosition(*request.dataSet, annotationBox->filmBox->annotationBoxes.size());
}

// Film boxes and image boxes print with the Presentation LUT they name; other objects only keep
// the reference as sent.
void takePresentationLut(const ObjectStore& store, const std::string& uid, std::shared_ptr<const PresentationLut> lut)
{
    if (const auto filmBox = store.find<FilmBox>(uid))
        filmBox->presentationLut = std::move(lut);
    else if (const auto imageBox = store.find<ImageBox>(uid))
        imageBox->presentationLut = std::move(lut);
}

} // namespace

DataSetPtr createObject(ObjectStore& store, const Request& request)
{
    // The Printer instance is always there.
    if (!request.sopInstanceUid.empty() && (store.contains(request.sopInstanceUid) || isPrinter(request.sopInstanceUid)))
        throw RequestFailure(DimseStatus::DuplicateSopInstance, ErrorCode::InvalidArgument,
                             "Duplicate SOP instance " + request.sopInstanceUid);
    const std::string uid = request.sopInstanceUid.empty() ? newUid() : request.sopInstanceUid;
    DataSet attributes = createdAttributes(request, uid);
    if (request.sopClassUid == SopClass::BasicFilmBox) {
        const auto filmBox = createFilmBox(store, uid, std::move(attributes), request.abstractSyntax);
        store.addFilmBox(filmBox);
        return filmBoxDataSet(*filmBox);
    }
    auto created = std::make_shared<DataSet>(attributes);
    if (request.sopClassUid == SopClass::BasicFilmSession) {
        checkNumberOfCopies(attributes);
        store.addFilmSession(createFilmSession(uid, std::move(attributes)));
    }
    else if (request.sopClassUid == SopClass::PresentationLut)
        store.addPresentationLut(createPresentationLut(uid, std::move(attributes)));
    else
        store.addPlainObject(std::make_shared<PlainObject>(PlainObject{uid, std::move(attributes)}));
    return created;
}

DataSetPtr getObject(const ObjectStore& store, const Request& request)
{
    DataSetPtr object;
    if (const auto filmBox = store.find<FilmBox>(request.sopInstanceUid))
        object = filmBoxDataSet(*filmBox);
    else
        object = std::make_shared<DataSet>(requireAttributes(store, request));
    object->add(PrintTag::PrinterStatus, std::string("NORMAL"));
    return object;
}

std::optional<ArrivedImage> setAttributes(ObjectStore& store, const Request& request, const PixelBounds& largestPicture)
{
    DataSet& attributes = requireAttributes(store, request);
    checkModification(store, request);
    const auto imageBox = store.find<ImageBox>(request.sopInstanceUid);
    const auto lut = request.dataSet ? referencedPresentationLut(store, *request.dataSet) : std::nullopt;
    const bool imageSet = setsImage(imageBox.get(), request.dataSet);
    const DataSetPtr image = imageSet ? imageOf(*request.dataSet) : nullptr;
    if (image)
        chargeArrivingImage(*imageBox, *image, largestPicture);
    copyAttributes(request.dataSet, attributes);
    if (lut)
        takePresentationLut(store, request.sopInstanceUid, *lut);
    if (!imageSet)
        return std::nullopt;
    imageBox->picture.reset(); // the picture of an image set before
    if (!image) {
        imageBox->pixels.release();
        return std::nullopt;
    }
    return ArrivedImage{imageBox, image, !imageBox->filmBox || hasEveryImage(*imageBox->filmBox)};
}

void keepPicture(const ArrivedImage& arrived, std::shared_ptr<const Picture> picture)
{
    ImageBox& imageBox = *arrived.imageBox;
    const Attribute sequence = imageSequenceOf(imageBox.attributes);
    if (imageOf(imageBox.attributes) != arrived.image)
        return;
    if (!picture) {
        imageBox.pixels.shrinkTo(receivedPixelBytes(*arrived.image)); // kept for printing to say why
        return;
    }
    imageBox.pixels.shrinkTo(heldBytes(*picture));
    auto kept = makeCollection();
    for (const DataSetPtr& image : *sequence.asSequence())
        kept->add(image == arrived.image ? withoutPixels(*image) : image);
    imageBox.attributes.add(Attribute(sequence.tag(), sequence.vr(), kept));
    imageBox.picture = std::move(picture);
}

void deleteObject(ObjectStore& store, const Request& request) { store.remove(request.sopInstanceUid); }

} // namespace kestrova
