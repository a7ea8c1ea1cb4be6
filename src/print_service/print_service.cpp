#include "print_service/print_service.h"

#include "core/lut_table.h"
#include "core/program_folder.h"
#include "core/steps.h"
#include "images/image_memory.h"
#include "print_service/image_pruning.h"
#include "print_service/print_association.h"
#include "printing/film_folder.h"

namespace kestrova {

namespace {

constexpr int TimerInterval = 60000;
constexpr const char* LoadLabel = "LoadSettings";

// A data set larger than one association may hold could never be kept.
ListenerLimits listenerLimits(const Limits& limits)
{
    ListenerLimits listener;
    listener.pendingConnections = static_cast<std::size_t>(limits.PendingConnections);
    listener.dataSetBytes = static_cast<std::uint64_t>(limits.AssociationMemoryMB) << 20;
    return listener;
}

// A virtual printer prints on the printer it names even when that is no longer listed, so that its
// films fail instead of coming out on another printer; one that names none prints on the default.
Settings virtualPrinterSettings(Settings settings, const VirtualPrinter& printer)
{
    settings.AETName = printer.AETitle;
    settings.Printer = printer.Printer;
    settings.Emulation = printer.Emulation;
    settings.LUT = printer.LUT;
    return settings;
}

std::vector<std::string> ownAeTitles(const Configuration& configuration)
{
    std::vector<std::string> titles{configuration.settings.AETName};
    for (const VirtualPrinter& printer : configuration.virtualPrinters)
        titles.push_back(printer.AETitle);
    return titles;
}

} // namespace

PrintService::PrintService(const Configuration& configuration, const PrinterCatalogue& printers, QObject* parent)
    : QObject(parent),
      configuration_(configuration),
      state_(printers, log_),
      listener_(*this, log_),
      watch_(state_, PrinterWatch::Reports{[this] { emit filmsChanged(); }, [this] { emit printerStatusChanged(); }})
{
    // Before the first association's thread allocates the images it receives.
    keepPixelBuffersForReuse();
    state_.setFilmPrinted([this] { emit filmPrinted(); });
    state_.setFilmRecorded([this](const FilmRecord& film) {
        if (film.film.job)
            watch_.follow(film);
        emit filmsChanged();
    });
    pruneTimer_.setInterval(TimerInterval);
    connect(&pruneTimer_, &QTimer::timeout, this, &PrintService::pruneImages);
    pruneTimer_.start();
}

PrintService::~PrintService() { stopListening(); }

void PrintService::restart()
{
    // Before the listener starts: its first request already prints with these.
    FilmJobSettings settings = jobSettings(configuration_.settings, state_.printerNamed(configuration_.settings));
    std::vector<FilmJobSettings> virtualPrinters;
    for (const VirtualPrinter& printer : configuration_.virtualPrinters)
        virtualPrinters.push_back(jobSettings(virtualPrinterSettings(configuration_.settings, printer),
                                              printer.Printer.empty() ? settings.printer : printer.Printer));
    {
        const auto lock = state_.lock();
        state_.setJobSettings(std::move(settings), std::move(virtualPrinters));
    }
    bool listening = false;
    runSteps(LoadLabel, {
        [&] {
            stopListening();
            state_.setStopping(false);
            listener_.setLimits(listenerLimits(configuration_.limits));
            listener_.setAccess(PeerAccess(configuration_.access, ownAeTitles(configuration_)));
            listener_.setTls(configuration_.tls);
            listening = listener_.listen(configuration_.settings.Port);
        },
        [&] {
            if (!listening)
                emit listenFailed(configuration_.settings.Port);
        },
        [&] {
            if (!listening)
                listening = listener_.listen(configuration_.settings.Port);
        },
        [&] {
            if (!listening)
                emit listenRetryFailed(configuration_.settings.Port);
        },
        [&] { log_.setMaxEntries(DefaultMaxLogEntries); },
        [&] { logLevelText_ = "Current LogLevel: " + std::to_string(log_.level()); },
        [&] { emit settingsShown(configuration_.settings, QString::fromLocal8Bit(logLevelText_.c_str())); },
    });
}

FilmJobSettings PrintService::jobSettings(const Settings& settings, const std::string& printer) const
{
    FilmJobSettings job{configuration_, {}};
    job.configuration.settings = settings;
    LoadLutTable(job.lut, settings);
    job.printer = printer;
    job.largestPicture = state_.largestPictureOn(printer);
    return job;
}

// The service stops first, so that no film begins for a requester the listener is about to cut
// off; the listener then lets the requests being handled finish and be answered.
void PrintService::stopListening()
{
    state_.setStopping(true);
    listener_.stop();
}

bool PrintService::isListening() const { return listener_.isListening(); }

std::size_t PrintService::storedObjects()
{
    const auto lock = state_.lock();
    return state_.storedObjects();
}

void PrintService::setJobStartObserver(std::function<void()> observer) { state_.setJobStarted(std::move(observer)); }

std::vector<ServedPrinter> PrintService::servedPrinters()
{
    std::vector<ServedPrinter> served = state_.servedPrinters();
    for (ServedPrinter& printer : served)
        printer.status = watch_.printerStatus(printer.printer);
    return served;
}

bool PrintService::reprint(int film) { return state_.films().find(film) && watch_.reprint(film); }

void PrintService::pruneImages()
{
    const auto now = std::chrono::system_clock::now();
    pruneOldFiles(programPath("images"), now);
    pruneOldFiles(filmFolder(), now, std::chrono::days(configuration_.films.KeepDays));
}

std::unique_ptr<AssociationHandler> PrintService::startAssociation(const AssociationInfo& association)
{
    return std::make_unique<PrintAssociation>(state_, association);
}

} // namespace kestrova
