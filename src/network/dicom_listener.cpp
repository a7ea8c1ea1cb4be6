#include "network/dicom_listener.h"

#include "core/log_text.h"
#include "data/sop_classes.h"
#include "network/dicom_log.h"
#include "network/internal/accept_loop.h"
#include "network/internal/listener_state.h"
#include "network/internal/tcp_socket.h"
#include "network/internal/tls_acceptor.h"

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

const std::array<const char*, 7> AcceptedAbstractSyntaxes = {
    SopClass::Verification,
    SopClass::BasicGrayscalePrintManagementMeta,
    SopClass::BasicColorPrintManagementMeta,
    SopClass::Printer,
    SopClass::PresentationLut,
    SopClass::BasicAnnotationBox,
    SopClass::PrinterConfigurationRetrieval,
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

// One listening port: its accept loop, with the TLS acceptor of the TLS port, and the thread
// running the loop.
struct DicomListener::Door {
    Door(Socket listening, const DcmSCPConfig& config, ListenerState& state, std::unique_ptr<TlsAcceptor> acceptor)
        : tls(std::move(acceptor)), loop(std::move(listening), config, state, tls.get())
    {
    }
    ~Door()
    {
        if (thread.joinable())
            thread.join();
    }
    void start()
    {
        thread = std::thread([this] {
            loop.run();
            finished = true;
        });
    }
    bool running() const { return thread.joinable() && !finished; }

    const std::unique_ptr<TlsAcceptor> tls;
    AcceptLoop loop;
    std::thread thread;
    std::atomic<bool> finished{false};
};

// One listen() call: what its threads share and its doors, the TLS one only when set up.
struct DicomListener::Run {
    Run(ServiceProvider& service, DicomLog& log, const ListenerLimits& limits, const PeerAccess& access)
        : state(service, log, limits, access)
    {
    }
    ListenerState state;
    std::unique_ptr<Door> plain;
    std::unique_ptr<Door> secure;
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
    const DcmSCPConfig config = configuration(port, dimseTimeout_, acseTimeout_);
    run_ = std::make_unique<Run>(service_, log_, limits_, access_);
    run_->plain = std::make_unique<Door>(std::move(listening), config, run_->state, nullptr);
    if (const OFCondition status = run_->plain->loop.status(); status.bad()) {
        log_.append(LogCategory::Errors, "Cannot listen on port " + std::to_string(port) + ": " + status.text());
        run_.reset();
        return false;
    }
    port_ = port;
    run_->secure = openTlsDoor(config);
    run_->plain->start();
    if (run_->secure)
        run_->secure->start();
    log_.append(LogCategory::Associations, "Listening on port " + std::to_string(port));
    logAccess();
    return true;
}

// The TLS port's door, or none with tlsProblem_ saying why.
std::unique_ptr<DicomListener::Door> DicomListener::tlsDoor(const DcmSCPConfig& config)
{
    if (tls_.Port < 1 || tls_.Port > 65535 || tls_.Port == port_) {
        tlsProblem_ = "not a TCP port of its own";
        return nullptr;
    }
    auto acceptor = std::make_unique<TlsAcceptor>(tls_);
    tlsProblem_ = acceptor->problem();
    if (!tlsProblem_.empty())
        return nullptr;
    Socket listening = openListeningSocket(tls_.Port, tlsProblem_);
    if (!listening.valid())
        return nullptr;
    auto door = std::make_unique<Door>(std::move(listening), config, run_->state, std::move(acceptor));
    if (const OFCondition status = door->loop.status(); status.bad()) {
        tlsProblem_ = status.text();
        return nullptr;
    }
    return door;
}

std::unique_ptr<DicomListener::Door> DicomListener::openTlsDoor(const DcmSCPConfig& config)
{
    tlsProblem_.clear();
    if (tls_.Port == 0)
        return nullptr;
    auto door = tlsDoor(config);
    if (!door) {
        log_.append(LogCategory::Errors, "Cannot listen for DICOM over TLS on port " + std::to_string(tls_.Port) + ": "
                                             + tlsProblem_);
        return nullptr;
    }
    log_.append(LogCategory::Associations, "Listening for DICOM over TLS on port " + std::to_string(tls_.Port)
                                               + " (BCP 195 profile; peer certificates "
                                               + (tls_.RequirePeerCertificate != 0 ? "required)" : "checked when presented)"));
    return door;
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
    run_.reset();
    log_.append(LogCategory::Associations, "Stopped listening on port " + std::to_string(port_));
}

bool DicomListener::isListening() const { return run_ && run_->plain->running(); }

int DicomListener::tlsPort() const { return run_ && run_->secure && run_->secure->running() ? tls_.Port : 0; }

int DicomListener::port() const { return port_; }

void DicomListener::setTimeouts(std::chrono::seconds dimse, std::chrono::seconds acse)
{
    dimseTimeout_ = dimse;
    acseTimeout_ = acse;
}

void DicomListener::setLimits(const ListenerLimits& limits) { limits_ = limits; }

void DicomListener::setAccess(const PeerAccess& access) { access_ = access; }

void DicomListener::setTls(const TlsSettings& tls) { tls_ = tls; }

void DicomListener::logAccess() const
{
    log_.append(LogCategory::Associations, access_.describe());
    for (const std::string& host : access_.unreadableHosts())
        log_.append(LogCategory::Errors, "Hosts entry " + logText(host) + " is no IPv4 address or network: it allows nobody");
}

} // namespace kestrova
