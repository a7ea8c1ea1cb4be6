#include "print_service/print_association.h"

#include "core/error_log.h"
#include "data/sop_classes.h"
#include "images/image.h"
#include "images/image_memory.h"
#include "print_service/dimse_status.h"
#include "print_service/print_job.h"
#include "print_service/printer_instance.h"
#include "print_service/request_failure.h"
#include "print_service/request_rules.h"
#include "print_service/service_state.h"

namespace kestrova {

namespace {

constexpr const char* Label = "NormalisedReceived";

// The instances Kestrova answers for itself; a requester only reads them.
bool isOwnInstance(const std::string& uid)
{
    return uid == SopClass::PrinterInstance || uid == SopClass::PrinterConfigurationInstance;
}

Response status(std::uint16_t status) { return Response{status, nullptr, {}}; }

bool isImageBox(const std::string& sopClass)
{
    return sopClass == SopClass::BasicGrayscaleImageBox || sopClass == SopClass::BasicColorImageBox;
}

// The listener dropped the request's data set as larger than it takes.
Response dataSetTooLarge(const Request& request)
{
    const bool imageBoxSet = request.commandField == CommandField::NSetRq && isImageBox(request.sopClassUid);
    return status(imageBoxSet ? DimseStatus::InsufficientMemoryForImage : DimseStatus::ResourceLimitation);
}

RequestFailure noSuchObject(const std::string& uid)
{
    return RequestFailure(DimseStatus::NoSuchObjectInstance, ErrorCode::ObjectNotSet, "No such SOP instance " + uid);
}

bool isNService(std::uint16_t commandField)
{
    switch (commandField) {
    case CommandField::NGetRq:
    case CommandField::NSetRq:
    case CommandField::NActionRq:
    case CommandField::NCreateRq:
    case CommandField::NDeleteRq: return true;
    default: return false;
    }
}

} // namespace

PrintAssociation::PrintAssociation(ServiceState& service, AssociationInfo association)
    : service_(service), association_(std::move(association)), pixels_(service.pixelBudget())
{
    OpenAssociation open{association_.callingAeTitle, association_.calledAeTitle, association_.peerHost,
                         std::chrono::system_clock::now()};
    const auto lock = service_.lock();
    service_.openStore(objects_, std::move(open));
}

PrintAssociation::~PrintAssociation()
{
    {
        const auto lock = service_.lock();
        service_.closeStore(objects_);
        objects_.clear();
    }
    // Costs the next association the page faults of its first film (about 40 ms for a job of
    // four default images), against holding the heap's high-water mark for good.
    returnFreePixelBuffers();
}

Response PrintAssociation::handle(const Request& request)
{
    try {
        return dispatch(request);
    } catch (const RequestFailure& failure) {
        LogError(failure.number(), failure.description(), Label);
        if (DimseStatus::isMemoryRefusal(failure.status()))
            service_.log().append(LogCategory::Errors, failure.description());
        return status(failure.status());
    } catch (...) {
        const ErrorInfo error = currentErrorInfo();
        LogError(error.number, error.description, Label);
        return status(DimseStatus::ProcessingFailure);
    }
}

Response PrintAssociation::dispatch(const Request& request)
{
    // N-EVENT-REPORT is for a print SCP to send, not to receive; other commands have no place in
    // print management.
    if (!isNService(request.commandField))
        return status(DimseStatus::UnrecognizedOperation);
    checkRequestAllowed(request);
    if (request.dataSetTooLarge)
        return dataSetTooLarge(request);
    switch (request.commandField) {
    case CommandField::NGetRq: return get(request);
    case CommandField::NSetRq: return set(request);
    case CommandField::NActionRq: return print(request);
    case CommandField::NCreateRq: {
        const auto lock = service_.lock();
        return Response{DimseStatus::Success, createObject(objects_, request), {}};
    }
    case CommandField::NDeleteRq: {
        if (isOwnInstance(request.sopInstanceUid))
            return status(DimseStatus::UnrecognizedOperation);
        const auto lock = service_.lock();
        deleteObject(objects_, request);
        return status(DimseStatus::Success);
    }
    }
    return status(DimseStatus::UnrecognizedOperation);
}

Response PrintAssociation::get(const Request& request)
{
    if (request.sopInstanceUid == SopClass::PrinterConfigurationInstance)
        return Response{DimseStatus::Success, printerConfigurationInstance(), {}};
    if (isOwnInstance(request.sopInstanceUid))
        return Response{DimseStatus::Success, printerInstance(), {}};
    const auto lock = service_.lock();
    return Response{DimseStatus::Success, getObject(objects_, request), {}};
}

// The printer is asked when the requester asks, outside the lock: a CUPS queue answers over the
// network.
DataSetPtr PrintAssociation::printerInstance() const
{
    const FilmJobSettings settings = service_.currentJobSettings(association_.calledAeTitle);
    return PrinterDataset(settings.configuration.settings, dicomPrinterStatus(service_.printerState(settings.printer)));
}

// The printer in use is asked, outside the lock, for the film sizes it takes.
DataSetPtr PrintAssociation::printerConfigurationInstance() const
{
    return printerConfiguration(service_.openPrinter(service_.currentJobSettings().printer)->capabilities());
}

// Decoding is the longest part of printing an image and needs nothing but the image: it is done
// as the image arrives. While its film still waits for other images, that is once the requester
// has its answer and sends its next image; the image that completes its film is prepared before
// it is answered, so that the film's N-ACTION never waits behind it. An image that cannot be
// decoded is answered with success all the same: printing reports it.
Response PrintAssociation::set(const Request& request)
{
    if (isOwnInstance(request.sopInstanceUid))
        return status(DimseStatus::UnrecognizedOperation);
    std::optional<ArrivedImage> arrived;
    PixelBounds largestPicture;
    {
        const auto lock = service_.lock();
        largestPicture = service_.jobSettingsFor(association_.calledAeTitle).largestPicture;
        arrived = setAttributes(objects_, request, largestPicture);
    }
    if (!arrived)
        return status(DimseStatus::Success);
    if (arrived->completesItsFilm) {
        prepare(*arrived, largestPicture);
        return status(DimseStatus::Success);
    }
    return Response{DimseStatus::Success, nullptr,
                    [this, arrived = *arrived, largestPicture] { prepare(arrived, largestPicture); }};
}

void PrintAssociation::prepare(const ArrivedImage& arrived, const PixelBounds& largestPicture)
{
    std::shared_ptr<const Picture> picture;
    {
        const auto slot = service_.workSlots().take(WorkKind::Decode);
        picture = preparedPicture(*arrived.image, largestPicture);
    }
    const auto lock = service_.lock();
    keepPicture(arrived, std::move(picture));
}

// Only film sessions and film boxes print; anything else has no action to take.
Response PrintAssociation::print(const Request& request)
{
    if (isOwnInstance(request.sopInstanceUid))
        return status(DimseStatus::UnrecognizedOperation);
    std::optional<PrintJob> job;
    FilmJobSettings settings;
    {
        const auto lock = service_.lock();
        if (const auto filmBox = objects_.find<FilmBox>(request.sopInstanceUid))
            job = PrintJob::ofFilmBox(objects_, *filmBox);
        else if (const auto session = objects_.find<FilmSession>(request.sopInstanceUid))
            job = PrintJob::ofFilmSession(objects_, *session);
        else if (!objects_.contains(request.sopInstanceUid))
            throw noSuchObject(request.sopInstanceUid);
        settings = service_.jobSettingsFor(association_.calledAeTitle);
    }
    if (!job)
        return status(DimseStatus::UnrecognizedOperation);
    return status(job->print(settings, service_, pixels_, association_.callingAeTitle));
}

} // namespace kestrova
