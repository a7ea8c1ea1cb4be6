// A request data set as it arrives on the wire: read as the network reads it, its nesting
// checked before DCMTK parses it, in one of the accepted transfer syntaxes; converted to the
// program's data set and handed to the request handler as an N-CREATE or N-SET on a store that
// already holds a film session and a film box.
//
// After the request the film box is printed on a recording printer, so that whatever image
// the data set left in an image box goes through decoding, the LUT and the page layout.
//
// Input layout: byte 0 picks the transfer syntax (its high bit turns the LUT on), byte 1
// the request (its high bit the colour meta SOP class), the rest is the encoded data set.

#include "core/errors.h"
#include "core/configuration.h"
#include "data/checked_read.h"
#include "data/dcm_convert.h"
#include "print_service/request_fixture.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/oflog/oflog.h>

#include <QGuiApplication>

#include <array>
#include <cstdlib>
#include <memory>
#include <span>

namespace {

using namespace kestrova;
using test::referenceTo;

constexpr std::array<DataSetEncoding, 3> AcceptedEncodings
    = {DataSetEncoding::ExplicitLittleEndian, DataSetEncoding::ImplicitLittleEndian, DataSetEncoding::ExplicitBigEndian};

enum class FuzzedRequest { CreateSession, CreateFilmBox, SetImageBox, SetFilmBox, SetSession, GetPrinter, Count };

// Read as the network reads a request's data set: checked for nesting before DCMTK parses it.
DataSetPtr parsed(const std::uint8_t* data, std::size_t size, DataSetEncoding encoding)
{
    dcm::ReadState state = dcm::ReadState::Reading;
    const std::unique_ptr<DcmDataset> dataset = dcm::readChecked(std::span(data, size), encoding, size, state);
    return dataset ? dcm::toDataSet(*dataset) : nullptr;
}

// The requests of one association, each printed for real on a recording printer, the LUT on or off.
struct Association : test::RequestFixture {
    Association(const std::string& meta, bool lut) : RequestFixture(meta)
    {
        FilmJobSettings settings{Configuration{Settings{"KODAK", 4006, "AGFA", "", "Tahoma", 10, std::int16_t(lut ? 1 : 0), ""},
                                               HeaderLines{}, HeaderLines{}, Limits{}, AccessSettings{}, TlsSettings{}},
                                 LutState{{}, true}, LargestFilmPicture, "Film Printer"};
        for (std::size_t i = 0; i < LutEntries; ++i)
            settings.lut.table[i] = static_cast<std::int32_t>(255 - i * 255 / (LutEntries - 1)) * 256;
        const auto lock = state.lock();
        state.setJobSettings(std::move(settings));
    }
};

// The first image box of the film box's response, as the requester would address it.
std::string firstImageBox(const DataSetPtr& filmBox)
{
    if (!filmBox || !filmBox->has(PrintTag::ReferencedImageBoxSequence))
        return {};
    const CollectionPtr boxes = filmBox->attribute(PrintTag::ReferencedImageBoxSequence).asSequence();
    return boxes && boxes->count() > 0 ? boxes->item(1)->attribute(ReferencedSopInstanceUidTag).asText() : std::string();
}

// The response travels back through DCMTK; a value it cannot code is an error, not a crash.
void encodeResponse(const Response& response)
{
    if (!response.dataSet)
        return;
    try {
        dcm::toDcmDataset(*response.dataSet);
    } catch (const AppError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // Pictures are Qt images; the offscreen platform needs no display.
    static const bool offscreen = setenv("QT_QPA_PLATFORM", "offscreen", 1) == 0;
    static int argc = 1;
    static char name[] = "request_dataset_fuzz";
    static char* argv[] = {name, nullptr};
    static const QGuiApplication application(argc, argv);
    // DCMTK's parser warnings about every malformed input would cost most of the time.
    static const bool quiet = [] {
        OFLog::configure(OFLogger::OFF_LOG_LEVEL);
        return true;
    }();
    (void)offscreen;
    (void)quiet;
    const auto encoding = AcceptedEncodings[(data[0] & 0x7F) % AcceptedEncodings.size()];
    const auto request = static_cast<FuzzedRequest>((data[1] & 0x7F) % static_cast<int>(FuzzedRequest::Count));
    const bool colour = (data[1] & 0x80) != 0;
    const DataSetPtr attributes = parsed(data + 2, size - 2, encoding);
    if (!attributes)
        return 0;

    // Its own program folder, so that what the handler logs goes with it.
    Association association(colour ? SopClass::BasicColorPrintManagementMeta : SopClass::BasicGrayscalePrintManagementMeta,
                            (data[0] & 0x80) != 0);
    const std::string sessionUid = association.createSession();
    const DataSetPtr filmBox = association.createFilmBox(sessionUid, "STANDARD\\2,2");
    const std::string filmBoxUid = filmBox ? filmBox->sopInstanceUid() : std::string();
    const std::string imageBoxClass = colour ? SopClass::BasicColorImageBox : SopClass::BasicGrayscaleImageBox;

    Response response;
    switch (request) {
    case FuzzedRequest::CreateSession:
        response = association.send(CommandField::NCreateRq, SopClass::BasicFilmSession, "", attributes);
        break;
    case FuzzedRequest::CreateFilmBox:
        // Without a reference to a stored session the handler would stop at the first check.
        if (!attributes->has(PrintTag::ReferencedFilmSessionSequence))
            attributes->add(PrintTag::ReferencedFilmSessionSequence, referenceTo(SopClass::BasicFilmSession, sessionUid));
        response = association.send(CommandField::NCreateRq, SopClass::BasicFilmBox, "", attributes);
        break;
    case FuzzedRequest::SetImageBox:
        response = association.send(CommandField::NSetRq, imageBoxClass, firstImageBox(filmBox), attributes);
        break;
    case FuzzedRequest::SetFilmBox:
        response = association.send(CommandField::NSetRq, SopClass::BasicFilmBox, filmBoxUid, attributes);
        break;
    case FuzzedRequest::SetSession:
        response = association.send(CommandField::NSetRq, SopClass::BasicFilmSession, sessionUid, attributes);
        break;
    case FuzzedRequest::GetPrinter:
        response = association.send(CommandField::NGetRq, SopClass::Printer, SopClass::PrinterInstance, attributes);
        break;
    case FuzzedRequest::Count: break;
    }
    encodeResponse(response);
    // As the listener does: the work after the answer runs, and the response goes before its
    // handler.
    if (response.afterSent)
        response.afterSent();
    response = Response{};
    association.send(CommandField::NActionRq, SopClass::BasicFilmBox, filmBoxUid, nullptr);
    // The association's end removes everything it made.
    association.association.reset();
    if (association.storedObjects() != 0)
        std::abort();
    return 0;
}
