#include "network/dicom_listener.h"

#include "network/internal/accept_loop.h"
#include "network/dicom_log.h"
#include "network/internal/listener_core.h"
#include "network/internal/port_probe.h"
#include "data/sop_classes.h"

#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/dul.h>

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrova {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A stop waits this long for the accept loop (which looks at its stop flag once a
// second) and the workers; a worker held up by the caller's own stack is left to finish.
constexpr auto StopWait = 2s;
constexpr auto StartWait = 5s;
// How long the listener's end waits for runs left behind by a stop from inside a handler.
constexpr auto LeftBehindWait = 10s;

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

struct Timeouts {
    std::chrono::seconds dimse{60};
    std::chrono::seconds acse{30};
};

constexpr int MaxAssociations = 16;

DcmSCPConfig configuration(int port, const Timeouts& timeouts)
{
    DcmSCPConfig config;
    config.setPort(static_cast<Uint16>(port));
    config.setConnectionBlockingMode(DUL_NOBLOCK);
    config.setConnectionTimeout(1);
    // In DCMTK's blocking mode the DIMSE timeout is never applied: a requester that went
    // silent would hold its worker, one of the 16, for good.
    config.setDIMSEBlockingMode(DIMSE_NONBLOCKING);
    config.setDIMSETimeout(static_cast<Uint32>(timeouts.dimse.count()));
    config.setACSETimeout(static_cast<Uint32>(timeouts.acse.count()));
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

// Keeps the UI thread's events flowing until done() or the deadline.
template <typename Done>
bool pumpEventsUntil(Done done, Clock::duration limit)
{
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(2);
    }
    return true;
}

} // namespace

// One listen() call: its accept loop and the thread running it. Shared with that thread
// so that a run a stop could not wait for stays valid until it ends.
struct ListenRun {
    ListenRun(const DcmSCPConfig& config, std::shared_ptr<ListenerCore> core)
        : loop(config, MaxAssociations, std::move(core))
    {
    }
    AcceptLoop loop;
    std::thread thread;
    std::atomic<bool> finished{false};
    std::string failure;
};

class DicomListener::Impl {
public:
    Impl(ConnectionHandler& handler, DicomLog& log) : handler_(handler), log_(log) {}
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    bool listen(int port);
    void stop();
    bool listening() const { return run_ && !run_->finished; }
    int port() const { return port_; }
    void setTimeouts(const Timeouts& timeouts) { timeouts_ = timeouts; }

private:
    bool waitUntilAccepting(ListenRun& run, int port) const;
    void joinLeftBehind(Clock::duration limit);

    ConnectionHandler& handler_;
    DicomLog& log_;
    std::shared_ptr<ListenerCore> core_;
    std::shared_ptr<ListenRun> run_;
    // Runs a stop from inside a handler call could not wait for: they end once that call
    // returns, and are joined later, at the latest when the listener goes.
    std::vector<std::shared_ptr<ListenRun>> leftBehind_;
    int port_ = 0;
    Timeouts timeouts_;
};

bool DicomListener::Impl::listen(int port)
{
    stop();
    joinLeftBehind(Clock::duration::zero());
    if (port < 1 || port > 65535) {
        log_.append(LogCategory::Errors, "Cannot listen on port " + std::to_string(port) + ": not a TCP port");
        return false;
    }
    prepareDcmtkNetwork();
    if (!port_probe::isFree(port)) {
        log_.append(LogCategory::Errors, "Cannot listen on port " + std::to_string(port) + ": it is in use");
        return false;
    }
    core_ = ListenerCore::create(handler_, log_);
    auto run = std::make_shared<ListenRun>(configuration(port, timeouts_), core_);
    run->thread = std::thread([run] {
        const OFCondition result = run->loop.run();
        if (result.bad())
            run->failure = result.text();
        run->finished = true;
    });
    run_ = run;
    port_ = port;
    if (!waitUntilAccepting(*run, port)) {
        stop();
        return false;
    }
    log_.append(LogCategory::Associations, "Listening on port " + std::to_string(port));
    return true;
}

bool DicomListener::Impl::waitUntilAccepting(ListenRun& run, int port) const
{
    const auto deadline = Clock::now() + StartWait;
    while (!run.finished && port_probe::isFree(port) && Clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
    if (!run.finished && !port_probe::isFree(port))
        return true;
    const std::string reason = run.finished ? run.failure : std::string("the listener did not start");
    log_.append(LogCategory::Errors, "Cannot listen on port " + std::to_string(port) + ": " + reason);
    return false;
}

void DicomListener::Impl::stop()
{
    if (!run_)
        return;
    // Order matters: the flag first, so that workers stop handing requests to the UI
    // thread and end their associations; then the accept loop; then wait while events flow,
    // because a worker may be waiting for this very thread.
    core_->beginStop();
    run_->loop.stop();
    const std::shared_ptr<ListenRun> run = run_;
    if (pumpEventsUntil([&] { return run->finished.load(); }, StopWait)) {
        run->thread.join();
    } else {
        log_.append(LogCategory::Warnings, "Listener on port " + std::to_string(port_) +
                                               " still busy; it ends when its last association does");
        leftBehind_.push_back(run);
    }
    core_->detach();
    core_.reset();
    run_.reset();
    log_.append(LogCategory::Associations, "Stopped listening on port " + std::to_string(port_));
}

void DicomListener::Impl::joinLeftBehind(Clock::duration limit)
{
    pumpEventsUntil(
        [&] {
            return std::all_of(leftBehind_.begin(), leftBehind_.end(), [](const auto& run) { return run->finished.load(); });
        },
        limit);
    std::erase_if(leftBehind_, [](const std::shared_ptr<ListenRun>& run) {
        if (!run->finished)
            return false;
        run->thread.join();
        return true;
    });
}

DicomListener::Impl::~Impl()
{
    stop();
    joinLeftBehind(LeftBehindWait);
    for (const auto& run : leftBehind_)
        run->thread.detach(); // its handler call never returned
}

DicomListener::DicomListener(ConnectionHandler& handler, DicomLog& log, QObject* parent)
    : QObject(parent), impl_(std::make_unique<Impl>(handler, log))
{
}

DicomListener::~DicomListener() = default;

bool DicomListener::listen(int port) { return impl_->listen(port); }

void DicomListener::stopListening() { impl_->stop(); }

bool DicomListener::isListening() const { return impl_->listening(); }

int DicomListener::port() const { return impl_->port(); }

void DicomListener::setTimeouts(std::chrono::seconds dimse, std::chrono::seconds acse)
{
    impl_->setTimeouts(Timeouts{dimse, acse});
}

} // namespace kestrova
