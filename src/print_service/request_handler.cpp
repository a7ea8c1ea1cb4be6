#include "request_handler.h"

#include "core/error_log.h"
#include "core/errors.h"
#include "core/rounding.h"
#include "print_service/connection_objects.h"
#include "render/display_format.h"
#include "data/command_tags.h"
#include "data/dimse_status.h"
#include "images/image.h"
#include "data/print_tags.h"
#include "data/sop_classes.h"
#include "data/uid.h"

#include <algorithm>
#include <limits>

namespace kestrova {

namespace {

constexpr const char* Label = "NormalisedReceived";

// A request that cannot be carried out, with the status its requester is answered with.
class RequestFailure : public AppError {
public:
    RequestFailure(std::uint16_t status, ErrorCode code, const std::string& description)
        : AppError(code, description), status_(status)
    {
    }
    std::uint16_t status() const { return status_; }

private:
    std::uint16_t status_;
};

struct Request {
    std::string requestedClass;
    std::string requestedInstance;
    std::string affectedClass;
    std::string affectedInstance;
};

Request readRequest(const Connection& connection)
{
    const DataSet& command = connection.command();
    return {command.attribute(CommandTag::RequestedSopClassUid).textOrEmpty(),
            command.attribute(CommandTag::RequestedSopInstanceUid).textOrEmpty(),
            command.attribute(CommandTag::AffectedSopClassUid).textOrEmpty(),
            command.attribute(CommandTag::AffectedSopInstanceUid).textOrEmpty()};
}

bool isPrinter(const std::string& instanceUid) { return instanceUid == SopClass::PrinterInstance; }

DataSetPtr requireObject(const ObjectStore& store, const Request& request)
{
    DataSetPtr object = store.dataset(request.requestedInstance);
    if (!object)
        throw RequestFailure(DimseStatus::NoSuchObjectInstance, ErrorCode::ObjectNotSet,
                             "No such SOP instance " + request.requestedInstance);
    return object;
}

void copyAttributes(const DataSetPtr& from, DataSet& to)
{
    if (!from)
        return;
    for (const auto& attribute : from->attributes())
        to.add(attribute);
}

// ---- N-GET, N-SET, N-ACTION, N-DELETE ----

void handleGet(Connection& connection, ObjectStore& store, const Request& request)
{
    const DataSetPtr object = requireObject(store, request);
    object->add(PrintTag::PrinterStatus, std::string("NORMAL"));
    connection.respond(object, DimseStatus::Success);
    connection.respond(DimseStatus::Success);
}

// False while the film box holding the image box has image boxes without an image.
bool completesItsFilm(const ObjectStore& store, const DataSet& imageBox)
{
    for (const DataSetPtr& object : *store.collection()) {
        const CollectionPtr& imageBoxes = object->children();
        if (object->sopClassUid() == SopClass::BasicFilmBox && imageBoxes && imageBoxes->find(imageBox.sopInstanceUid()))
            return std::all_of(imageBoxes->begin(), imageBoxes->end(),
                               [](const DataSetPtr& box) { return imageOf(*box) != nullptr; });
    }
    return true;
}

// Decoding is the longest part of printing an image and needs nothing but the image: it is
// done on the association's thread as the image arrives, and the image box then keeps the
// picture instead of the received pixels. While its film still waits for other images, that
// is once the requester has its answer and sends its next image; the image that completes its
// film is prepared before it is answered, so that the film's N-ACTION never waits behind it.
// Swapped in on the UI thread (ahead of the requester's next request), unless another image
// took the place of this one meanwhile. An image that cannot be decoded is answered with
// success all the same: printing reports it.
void prepareImagesOnArrival(Connection& connection, const DataSet& modification, const DataSetPtr& imageBox,
                            Connection::WorkTiming timing)
{
    const Attribute received = imageSequenceOf(modification);
    const CollectionPtr images = received.sequenceOrNull();
    if (!images)
        return;
    connection.continueOnAssociationThread([imageBox, received, images](Connection&) -> Connection::UiFollowUp {
        const CollectionPtr prepared = preparedImages(*images);
        if (!prepared)
            return {};
        return [imageBox, received, prepared] {
            const Attribute now = imageBox->attribute(received.tag());
            if (now.exists() && now.value() == received.value())
                imageBox->add(Attribute(received.tag(), received.vr(), prepared));
        };
    }, timing, Connection::WorkKind::Preparation);
}

void handleSet(Connection& connection, ObjectStore& store, const Request& request)
{
    if (isPrinter(request.requestedInstance)) {
        connection.respond(DimseStatus::UnrecognizedOperation);
        return;
    }
    const DataSetPtr object = requireObject(store, request);
    copyAttributes(connection.request(), *object);
    connection.respond(DimseStatus::Success);
    if (connection.request())
        prepareImagesOnArrival(connection, *connection.request(), object,
                               completesItsFilm(store, *object) ? Connection::WorkTiming::BeforeResponse
                                                                 : Connection::WorkTiming::AfterResponse);
}

bool isPrintable(const DataSet& object)
{
    const std::string sopClass = object.sopClassUid();
    return sopClass == SopClass::BasicFilmSession || sopClass == SopClass::BasicFilmBox;
}

// Only film sessions and film boxes print; anything else has no action to take.
void handleAction(Connection& connection, ObjectStore& store, const Request& request, const PrintAction& print)
{
    if (isPrinter(request.requestedInstance)) {
        connection.respond(DimseStatus::UnrecognizedOperation);
        return;
    }
    const DataSetPtr target = requireObject(store, request);
    if (isPrintable(*target))
        connection.continueOnAssociationThread(print(target));
    else
        connection.respond(DimseStatus::UnrecognizedOperation);
}

void handleDelete(Connection& connection, ObjectStore& store, const Request& request)
{
    if (isPrinter(request.requestedInstance) || isPrinter(request.affectedInstance)) {
        connection.respond(DimseStatus::UnrecognizedOperation);
        return;
    }
    store.remove(request.requestedClass, request.requestedInstance);
    store.remove(request.affectedClass, request.affectedInstance);
    connection.respond(DimseStatus::Success);
}

// ---- N-CREATE ----

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

void createImageBoxes(ObjectStore& store, DataSet& filmBox, std::int16_t count, const char* imageBoxClass)
{
    // The film box's children are its Referenced Image Box Sequence: one collection, two roles.
    filmBox.add(PrintTag::ReferencedImageBoxSequence, filmBox.children());
    for (std::int16_t i = 0; i < count; ++i) {
        const DataSetPtr imageBox = store.NewDataSet();
        const std::string uid = newUid();
        imageBox->setSopInstanceUid(uid);
        imageBox->add(ReferencedSopClassUidTag, std::string(imageBoxClass));
        imageBox->add(ReferencedSopInstanceUidTag, uid);
        filmBox.children()->add(imageBox);
    }
}

// A reference sequence sent without an item, or an item without the instance it names,
// lacks a value the requester had to give.
void requireFilmSessionReference(const DataSet& filmBox)
{
    const CollectionPtr& items = filmBox.attribute(PrintTag::ReferencedFilmSessionSequence).asSequence();
    if (!items || items->count() == 0
        || items->item(1)->attribute(ReferencedSopInstanceUidTag).textOrEmpty().empty())
        throw RequestFailure(DimseStatus::MissingAttributeValue, ErrorCode::InvalidUseOfNull,
                             "Referenced Film Session Sequence names no film session");
}

void attachToFilmSession(const ObjectStore& store, const DataSetPtr& filmBox)
{
    requireFilmSessionReference(*filmBox);
    DataSetPtr session;
    try {
        session = store.DatasetFromSequence(filmBox->attribute(PrintTag::ReferencedFilmSessionSequence), 1);
    } catch (const AppError& error) {
        throw RequestFailure(DimseStatus::InvalidAttributeValue, error.code(), error.description());
    }
    if (!session || session->sopClassUid() != SopClass::BasicFilmSession)
        throw RequestFailure(DimseStatus::InvalidAttributeValue, ErrorCode::ObjectNotSet,
                             "Referenced film session is not stored");
    session->children()->add(filmBox);
}

void completeFilmBox(ObjectStore& store, const DataSetPtr& filmBox, const std::string& metaSopClass)
{
    const std::string displayFormat
        = requiredAttribute(*filmBox, PrintTag::ImageDisplayFormat, "Image Display Format").asText();
    requiredAttribute(*filmBox, PrintTag::ReferencedFilmSessionSequence, "Referenced Film Session Sequence");
    createImageBoxes(store, *filmBox, imageBoxCount(displayFormat), imageBoxClassFor(metaSopClass));
    attachToFilmSession(store, filmBox);
}

void handleCreate(Connection& connection, ObjectStore& store, Request request)
{
    if (!request.affectedInstance.empty() && store.dataset(request.affectedInstance))
        throw RequestFailure(DimseStatus::DuplicateSopInstance, ErrorCode::InvalidArgument,
                             "Duplicate SOP instance " + request.affectedInstance);
    if (request.affectedInstance.empty())
        request.affectedInstance = newUid();

    const DataSetPtr object = store.NewDataSet();
    object->setSopInstanceUid(request.affectedInstance); // findable at once, so a failure can remove it
    try {
        copyAttributes(connection.request(), *object);
        object->add(SopClassUidTag, request.affectedClass);
        object->setSopInstanceUid(request.affectedInstance);
        if (request.affectedClass == SopClass::BasicFilmBox)
            completeFilmBox(store, object, connection.abstractSyntax());
    } catch (...) {
        store.remove(request.affectedClass, request.affectedInstance);
        throw;
    }
    createdObjectsOf(connection).push_back({request.affectedClass, request.affectedInstance});
    connection.respond(object, DimseStatus::Success);
}

void dispatch(Connection& connection, ObjectStore& store, const PrintAction& print)
{
    const Request request = readRequest(connection);
    switch (connection.commandField()) {
    case CommandField::NGetRq: return handleGet(connection, store, request);
    case CommandField::NSetRq: return handleSet(connection, store, request);
    case CommandField::NActionRq: return handleAction(connection, store, request, print);
    case CommandField::NCreateRq: return handleCreate(connection, store, request);
    case CommandField::NDeleteRq: return handleDelete(connection, store, request);
    // N-EVENT-REPORT is for a print SCP to send, not to receive.
    default: return connection.respond(DimseStatus::UnrecognizedOperation);
    }
}

} // namespace

void handleRequest(Connection& connection, ObjectStore& store, const PrintAction& print)
{
    try {
        dispatch(connection, store, print);
    } catch (const RequestFailure& failure) {
        LogError(failure.number(), failure.description(), Label);
        connection.respondStatusOnly(failure.status());
    } catch (...) {
        const ErrorInfo error = currentErrorInfo();
        LogError(error.number, error.description, Label);
        connection.respondStatusOnly(DimseStatus::ProcessingFailure);
    }
}

} // namespace kestrova
