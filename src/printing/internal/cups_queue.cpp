#include "printing/internal/cups_queue.h"

#include "printing/printer_output.h"

#include <algorithm>
#include <cmath>

namespace kestrova {
namespace cups {

Http connectToScheduler()
{
    constexpr int ConnectMs = 30000;
    Http http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, ConnectMs, nullptr));
    if (http)
        httpSetTimeout(http.get(), 30.0, nullptr, nullptr);
    return http;
}

std::string lastCupsError()
{
    const char* text = cupsLastErrorString();
    return text && *text ? text : "no reason given";
}

} // namespace cups

namespace {

constexpr const char* DocumentName = "Kestrova film";

// CUPS gives sizes and margins in hundredths of a millimetre.
QueueMedia queueMedia(const cups_size_t& size)
{
    const auto mm = [](int hundredths) { return hundredths / 100.0; };
    return QueueMedia{size.media, PaperSize{mm(size.width), mm(size.length)},
                      QMarginsF(mm(size.left), mm(size.top), mm(size.right), mm(size.bottom))};
}

int hundredths(double mm) { return static_cast<int>(std::lround(mm * 100)); }

// What Get-Printer-Attributes answered of the printer's state.
PrinterState stateOfPrinter(ipp_t* response)
{
    PrinterState state;
    ipp_attribute_t* accepting = ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    state.acceptingJobs = !accepting || ippGetBoolean(accepting, 0);
    ipp_attribute_t* printerState = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
    state.stopped = printerState && ippGetInteger(printerState, 0) == IPP_PSTATE_STOPPED;
    ipp_attribute_t* reasons = ippFindAttribute(response, "printer-state-reasons", IPP_TAG_KEYWORD);
    for (int index = 0; reasons && index < ippGetCount(reasons); ++index)
        if (const std::string reason = ippGetString(reasons, index, nullptr); reason != "none")
            state.reasons.push_back(reason);
    return state;
}

std::string printerUri(const std::string& name)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     name.c_str());
    return uri;
}

cups::Ipp printJobRequest(const std::string& name, const JobOptions& options)
{
    cups::Options job;
    job.add("copies", std::to_string(std::max(1, options.copies)));
    job.add("orientation-requested", options.orientation == Orientation::Landscape ? "4" : "3");
    if (options.media)
        job.add("media", *options.media);
    cups::Ipp request(ippNewRequest(IPP_OP_PRINT_JOB));
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri(name).c_str());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, DocumentName);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, CUPS_FORMAT_PDF);
    cupsEncodeOptions2(request.get(), job.count(), job.get(), IPP_TAG_OPERATION);
    cupsEncodeOptions2(request.get(), job.count(), job.get(), IPP_TAG_JOB);
    return request;
}

JobState jobStateOf(int state)
{
    switch (state) {
    case IPP_JSTATE_PENDING:
    case IPP_JSTATE_HELD: return JobState::Pending;
    case IPP_JSTATE_PROCESSING: return JobState::Printing;
    case IPP_JSTATE_STOPPED: return JobState::Stopped;
    case IPP_JSTATE_CANCELED: return JobState::Canceled;
    case IPP_JSTATE_ABORTED: return JobState::Aborted;
    case IPP_JSTATE_COMPLETED: return JobState::Completed;
    default: return JobState::Unknown;
    }
}

} // namespace

CupsQueue::CupsQueue(std::string name)
    : name_(std::move(name)), http_(cups::connectToScheduler())
{
    if (!http_)
        raisePrinterUnusable(name_, std::string("the printing system cannot be reached at ") + cupsServer());
    dest_.reset(cupsGetNamedDest(http_.get(), name_.c_str(), nullptr));
    if (!dest_)
        raisePrinterUnusable(name_, "the printing system does not offer it");
    info_.reset(cupsCopyDestInfo(http_.get(), dest_.get()));
    if (!info_)
        raisePrinterUnusable(name_, cups::lastCupsError());
}

std::vector<QueueMedia> CupsQueue::media() const
{
    std::vector<QueueMedia> media;
    const int count = cupsGetDestMediaCount(http_.get(), dest_.get(), info_.get(), CUPS_MEDIA_FLAGS_DEFAULT);
    for (int index = 0; index < count; ++index) {
        cups_size_t size;
        if (cupsGetDestMediaByIndex(http_.get(), dest_.get(), info_.get(), index, CUPS_MEDIA_FLAGS_DEFAULT, &size))
            media.push_back(queueMedia(size));
    }
    return media;
}

std::optional<QueueMedia> CupsQueue::defaultMedia() const
{
    cups_size_t size;
    if (!cupsGetDestMediaDefault(http_.get(), dest_.get(), info_.get(), CUPS_MEDIA_FLAGS_DEFAULT, &size))
        return std::nullopt;
    return queueMedia(size);
}

std::optional<QueueMedia> CupsQueue::mediaOfSize(const PaperSize& paper) const
{
    cups_size_t size;
    if (!cupsGetDestMediaBySize(http_.get(), dest_.get(), info_.get(), hundredths(paper.widthMm),
                                hundredths(paper.heightMm), CUPS_MEDIA_FLAGS_DEFAULT, &size))
        return std::nullopt;
    return queueMedia(size);
}

std::optional<int> CupsQueue::resolution() const
{
    ipp_attribute_t* resolution = cupsFindDestDefault(http_.get(), dest_.get(), info_.get(), "printer-resolution");
    if (!resolution || ippGetValueTag(resolution) != IPP_TAG_RESOLUTION)
        return std::nullopt;
    int vertical = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    const int horizontal = ippGetResolution(resolution, 0, &vertical, &units);
    const int dpi = std::max(horizontal, vertical);
    return units == IPP_RES_PER_INCH ? dpi : static_cast<int>(std::lround(dpi * 2.54));
}

// One Get-Printer-Attributes request for the three attributes: the watch asks it every second.
PrinterState CupsQueue::stateOf(const std::string& name)
{
    static const char* const Wanted[] = {"printer-is-accepting-jobs", "printer-state", "printer-state-reasons"};
    const PrinterState absent{false, false, false, {}};
    const cups::Http http = cups::connectToScheduler();
    if (!http)
        return absent;
    cups::Ipp request(ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES));
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri(name).c_str());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddStrings(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", std::size(Wanted), nullptr,
                  Wanted);
    // cupsDoRequest frees the request itself.
    const cups::Ipp response(cupsDoRequest(http.get(), request.release(), "/"));
    if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_CONFLICTING)
        return absent;
    return stateOfPrinter(response.get());
}

JobState CupsQueue::jobState(int jobId)
{
    const cups::Http http = cups::connectToScheduler();
    if (!http)
        return JobState::Unknown;
    cups::Ipp request(ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES));
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/jobs/%d", jobId);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "job-state");
    // cupsDoRequest frees the request itself.
    const cups::Ipp response(cupsDoRequest(http.get(), request.release(), "/"));
    if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_CONFLICTING)
        return JobState::Unknown;
    ipp_attribute_t* state = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM);
    return state ? jobStateOf(ippGetInteger(state, 0)) : JobState::Unknown;
}

SentJob::SentJob(std::string queue, const std::string& pdf, const JobOptions& options)
    : queue_(std::move(queue)), resource_("/printers/" + queue_), http_(cups::connectToScheduler())
{
    if (!http_)
        raisePrinterUnusable(queue_, std::string("the printing system cannot be reached at ") + cupsServer());
    const cups::Ipp request = printJobRequest(queue_, options);
    sent_ = cupsSendRequest(http_.get(), request.get(), resource_.c_str(), ippLength(request.get()) + pdf.size());
    if (sent_ == HTTP_STATUS_CONTINUE)
        sent_ = cupsWriteRequestData(http_.get(), pdf.data(), pdf.size());
}

int SentJob::accepted()
{
    // Read even after a failed write: the scheduler's answer says why.
    const cups::Ipp response(cupsGetResponse(http_.get(), resource_.c_str()));
    if (sent_ != HTTP_STATUS_CONTINUE || !response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_CONFLICTING)
        raisePrinterUnusable(queue_, cups::lastCupsError());
    ipp_attribute_t* id = ippFindAttribute(response.get(), "job-id", IPP_TAG_INTEGER);
    if (!id)
        raisePrinterUnusable(queue_, "the printing system named no job for the film");
    return ippGetInteger(id, 0);
}

// The job is cancelled on a connection of its own: the one the document went over may be broken.
void SentJob::withdraw() noexcept
{
    try {
        const int job = accepted();
        if (const cups::Http http = cups::connectToScheduler())
            cupsCancelJob2(http.get(), queue_.c_str(), job, 0);
    } catch (...) {
        // Refused: there is no job to cancel.
    }
}

} // namespace kestrova
