// A request data set as it arrives on the wire: parsed by DCMTK in one of the accepted
// transfer syntaxes, converted to the program's data set and handed to the request handler
// as an N-CREATE or N-SET on a store that already holds a film session and a film box.
//
// Input layout: byte 0 picks the transfer syntax, byte 1 the request (its high bit the
// colour meta SOP class), the rest is the encoded data set.

#include "fuzz_support.h"

#include "core/errors.h"
#include "core/global_settings.h"
#include "print_service/connection_objects.h"
#include "print_service/object_store.h"
#include "print_service/printer_instance.h"
#include "print_service/request_handler.h"
#include "toolkit/connection.h"
#include "toolkit/dcm_convert.h"
#include "toolkit/print_tags.h"
#include "toolkit/sop_classes.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcistrmb.h>
#include <dcmtk/dcmdata/dcxfer.h>

#include <array>
#include <cstdlib>
#include <memory>

namespace {

using namespace kestrova;

constexpr std::array<E_TransferSyntax, 3> AcceptedTransferSyntaxes
    = {EXS_LittleEndianExplicit, EXS_LittleEndianImplicit, EXS_BigEndianExplicit};

enum class Request { CreateSession, CreateFilmBox, SetImageBox, SetFilmBox, SetSession, GetPrinter, Count };

DataSetPtr parsed(const std::uint8_t* data, std::size_t size, E_TransferSyntax syntax)
{
    DcmInputBufferStream stream;
    stream.setBuffer(data, static_cast<offile_off_t>(size));
    stream.setEos();
    DcmDataset dataset;
    dataset.transferInit();
    const OFCondition read = dataset.read(stream, syntax);
    dataset.transferEnd();
    if (read.bad())
        return nullptr;
    return dcm::toDataSet(dataset);
}

DataSet commandSet(std::uint16_t field, const std::string& classUid, const std::string& instanceUid)
{
    const bool create = field == CommandField::NCreateRq;
    DataSet command;
    command.add(Tag{0x0000, 0x0100}, Numbers{static_cast<double>(field)});
    command.add(Tag{0x0000, static_cast<std::uint16_t>(create ? 0x0002 : 0x0003)}, classUid);
    if (!instanceUid.empty())
        command.add(Tag{0x0000, static_cast<std::uint16_t>(create ? 0x1000 : 0x1001)}, instanceUid);
    return command;
}

struct Association {
    explicit Association(std::string meta) : metaSopClass(std::move(meta))
    {
        store.reset(PrinterDataset(Settings{"KODAK", 4006, "KODAK", "", "Tahoma", 10, 0, ""}));
        startCreatedObjects(connection);
    }

    std::optional<PendingResponse> send(std::uint16_t field, const std::string& classUid,
                                        const std::string& instanceUid, DataSetPtr request)
    {
        connection.beginRequest(commandSet(field, classUid, instanceUid), std::move(request), metaSopClass);
        NormalisedReceived(connection, store, [](const DataSetPtr&) { return std::uint16_t{0}; });
        // Every N-CREATE, N-SET and N-GET is answered, whatever its data set held.
        if (!connection.response())
            std::abort();
        return connection.response();
    }

    ObjectStore store;
    Connection connection{"FUZZSCU", "127.0.0.1"};
    std::string metaSopClass;
};

CollectionPtr referenceTo(const std::string& classUid, const std::string& instanceUid)
{
    auto item = std::make_shared<DataSet>();
    item->add(ReferencedSopClassUidTag, classUid);
    item->add(ReferencedSopInstanceUidTag, instanceUid);
    auto sequence = makeCollection();
    sequence->add(item);
    return sequence;
}

std::string uidOf(const std::optional<PendingResponse>& response)
{
    return response && response->dataSet ? response->dataSet->sopInstanceUid() : std::string();
}

// The first image box of the film box's response, as the requester would address it.
std::string firstImageBox(const std::optional<PendingResponse>& filmBox)
{
    if (!filmBox || !filmBox->dataSet || !filmBox->dataSet->has(PrintTag::ReferencedImageBoxSequence))
        return {};
    const CollectionPtr boxes = filmBox->dataSet->attribute(PrintTag::ReferencedImageBoxSequence).asSequence();
    return boxes && boxes->count() > 0 ? boxes->item(1)->attribute(ReferencedSopInstanceUidTag).asText() : std::string();
}

// The response travels back through DCMTK; a value it cannot code is an error, not a crash.
void encodeResponse(const std::optional<PendingResponse>& response)
{
    if (!response || !response->dataSet)
        return;
    try {
        dcm::toDcmDataset(*response->dataSet);
    } catch (const AppError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    fuzz::scratchFolder();
    const auto syntax = AcceptedTransferSyntaxes[data[0] % AcceptedTransferSyntaxes.size()];
    const auto request = static_cast<Request>((data[1] & 0x7F) % static_cast<int>(Request::Count));
    const bool colour = (data[1] & 0x80) != 0;
    const DataSetPtr attributes = parsed(data + 2, size - 2, syntax);
    if (!attributes)
        return 0;

    Association association(colour ? SopClass::BasicColorPrintManagementMeta
                                   : SopClass::BasicGrayscalePrintManagementMeta);
    auto session = std::make_shared<DataSet>();
    session->add(PrintTag::NumberOfCopies, std::string("1"));
    const std::string sessionUid = uidOf(association.send(CommandField::NCreateRq, SopClass::BasicFilmSession, "", session));
    auto filmBox = std::make_shared<DataSet>();
    filmBox->add(PrintTag::ImageDisplayFormat, std::string("STANDARD\\2,2"));
    filmBox->add(PrintTag::ReferencedFilmSessionSequence, referenceTo(SopClass::BasicFilmSession, sessionUid));
    const auto filmBoxResponse = association.send(CommandField::NCreateRq, SopClass::BasicFilmBox, "", filmBox);
    const std::string filmBoxUid = uidOf(filmBoxResponse);
    const std::string imageBoxClass = colour ? SopClass::BasicColorImageBox : SopClass::BasicGrayscaleImageBox;

    std::optional<PendingResponse> response;
    switch (request) {
    case Request::CreateSession:
        response = association.send(CommandField::NCreateRq, SopClass::BasicFilmSession, "", attributes);
        break;
    case Request::CreateFilmBox:
        // Without a reference to a stored session the handler would stop at the first check.
        if (!attributes->has(PrintTag::ReferencedFilmSessionSequence))
            attributes->add(PrintTag::ReferencedFilmSessionSequence, referenceTo(SopClass::BasicFilmSession, sessionUid));
        response = association.send(CommandField::NCreateRq, SopClass::BasicFilmBox, "", attributes);
        break;
    case Request::SetImageBox:
        response = association.send(CommandField::NSetRq, imageBoxClass, firstImageBox(filmBoxResponse), attributes);
        break;
    case Request::SetFilmBox:
        response = association.send(CommandField::NSetRq, SopClass::BasicFilmBox, filmBoxUid, attributes);
        break;
    case Request::SetSession:
        response = association.send(CommandField::NSetRq, SopClass::BasicFilmSession, sessionUid, attributes);
        break;
    case Request::GetPrinter:
        response = association.send(CommandField::NGetRq, SopClass::Printer, SopClass::PrinterInstance, attributes);
        break;
    case Request::Count: break;
    }
    encodeResponse(response);
    association.send(CommandField::NActionRq, SopClass::BasicFilmBox, filmBoxUid, nullptr);
    // The association's end removes everything it made; only the Printer instance stays.
    removeCreatedObjects(association.connection, association.store);
    if (association.store.count() != 1)
        std::abort();
    fuzz::forgetErrorLog();
    return 0;
}
