#include "network/dicom_listener.h"

#include "core/log_text.h"
#include "data/sop_classes.h"
#include "network/dicom_log.h"
#include "network/internal/accept_loop.h"
#include "network/internal/listener_state.h"
#include "network/internal/tcp_socket.h"

#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/dul.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace kestrova {

namespace {

const std::array<const char*, 5> AcceptedAbstractSyntaxes = {
    SopClass::Verification,
    SopClass::BasicGrayscalePrintManagementMeta,
    SopClass::BasicColorPrintManagementMeta,
    SopClass::Printer,
    SopClass::PresentationLut,
};

void prepareDcmtkNetwork()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Debian's DCMTK leaves Nagle's algorithm on unless told so through the environment,
        // which costs about 40 ms per request; it reads the variable for every new socket.
        setenv("TCP_NODELAY", "1", 0);
        dcmDisableGethostbyaddr.set(OFTrue);
    });
}

DcmSCPConfig configuration(int port, std::chrono::seconds dimseTimeout, std::chrono::seconds acseTimeout)
{
    DcmSCPConfig config;
    config.setPort(static_cast<Uint16>(port));
    // In DCMTK's blocking mode the DIMSE timeout is never applied: a requester that went
    // silent would hold its thread, one of the 16, for good.
    config.setDIMSEBlockingMode(DIMSE_NONBLOCKING);
    config.setDIMSETimeout(static_cast<Uint32>(dimseTimeout.count()));
    config.setACSETimeout(static_cast<Uint32>(acseTimeout.count()));
    config.setHostLookupEnabled(OFFalse);
    // DCMTK's default of 16 KB cuts a 10 MB image into hundreds of PDUs, each read and
    // copied on its own; 128 KB is the most DCMTK takes.
    config.setMaxReceivePDULength(ASC_MAXIMUMPDUSIZE);
    config.setProgressNotificationMode(OFFalse);
    OFList<OFString> transferSyntaxes;
    transferSyntaxes.push_back(UID_LittleEndianExplicitTransferSyntax);
    transferSyntaxes.push_back(UID_LittleEndianImplicitTransferSyntax);
    transferSyntaxes.push_back(UID_BigEndianExplicitTransferSyntax);
    for (const char* abstractSyntax : AcceptedAbstractSyntaxes)
        config.addPresentationContext(abstractSyntax, transferSyntaxes);
    return config;
}

} // namespace

// One listen() call: what its threads share, its accept loop and the thread running it.
struct DicomListener::Run {
    Run(ServiceProvider& service, DicomLog& log, const ListenerLimits& limits, const PeerAccess& access,
        Socket listening, const DcmSCPConfig& config)
        : state(service, log, limits, access), loop(std::move(listening), config, state)
    {
    }
    ListenerState state;
    AcceptLoop loop;
    std::thread thread;
    std::atomic<bool> finished{false};
};

DicomListener::DicomListener(ServiceProvider& service, DicomLog& log) : service_(service), log_(log) {}

DicomListener::~DicomListener() { stop(); }

bool DicomListener::listen(int port)
{
    stop();
    if (port < 1 || port > 65535) {
        log_.append(LogCategory::Errors, "Cannot listen on port " + std::to_string(port) + ": not a TCP port");
        return false;
    }
    prepareDcmtkNetwork();
    std::string problem;
    Socket listening = openListeningSocket(port, problem);
    if (!listening.valid()) {
        log_.append(LogCategory::Errors, "Cannot listen on port " + std::to_string(port) + ": " + problem);
        return false;
    }
    run_ = std::make_unique<Run>(service_, log_, limits_, access_, std::move(listening),
                                 configuration(port, dimseTimeout_, acseTimeout_));
    if (const OFCondition status = run_->loop.status(); status.bad()) {
        log_.append(LogCategory::Errors, "Cannot listen on port " + std::to_string(port) + ": " + status.text());
        run_.reset();
        return false;
    }
    Run& run = *run_;
    run.thread = std::thread([&run] {
        run.loop.run();
        run.finished = true;
    });
    port_ = port;
    log_.append(LogCategory::Associations, "Listening on port " + std::to_string(port));
    logAccess();
    return true;
}

void DicomListener::stop()
{
    if (!run_)
        return;
    log_.append(LogCategory::Associations, "Stopping listening on port " + std::to_string(port_)
                                               + ": requests being handled are answered, other associations end");
    // The flag and the cuts first, and the wait for requests being answered: the accept loop
    // stops within its one-second wait for a connection; then every thread is joined.
    run_->state.stop(StopGrace);
    run_->thread.join();
    run_.reset();
    log_.append(LogCategory::Associations, "Stopped listening on port " + std::to_string(port_));
}

bool DicomListener::isListening() const { return run_ && !run_->finished; }

int DicomListener::port() const { return port_; }

void DicomListener::setTimeouts(std::chrono::seconds dimse, std::chrono::seconds acse)
{
    dimseTimeout_ = dimse;
    acseTimeout_ = acse;
}

void DicomListener::setLimits(const ListenerLimits& limits) { limits_ = limits; }

void DicomListener::setAccess(const PeerAccess& access) { access_ = access; }

void DicomListener::logAccess() const
{
    log_.append(LogCategory::Associations, access_.describe());
    for (const std::string& host : access_.unreadableHosts())
        log_.append(LogCategory::Errors, "Hosts entry " + logText(host) + " is no IPv4 address or network: it allows nobody");
}

} // namespace kestrova
