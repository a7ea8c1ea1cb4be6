#include "print_service.h"

#include "core/program_folder.h"
#include "core/steps.h"
#include "print_service/connection_objects.h"
#include "print_service/image_pruning.h"
#include "print_service/print_job.h"
#include "print_service/printer_instance.h"
#include "print_service/request_handler.h"

#include <QCoreApplication>

namespace kestrova {

namespace {

constexpr int TimerInterval = 60000;
constexpr const char* LoadLabel = "LoadSettings";

void letEventsRun() { QCoreApplication::processEvents(); }

} // namespace

PrintService::PrintService(const Configuration& configuration, const PrinterCatalogue& printers, QObject* parent)
    : QObject(parent),
      configuration_(configuration),
      printers_(printers),
      listener_(std::make_unique<DicomListener>(*this, log_))
{
    pruneTimer_.setInterval(TimerInterval);
    connect(&pruneTimer_, &QTimer::timeout, this, &PrintService::pruneImages);
    pruneTimer_.start();
}

PrintService::~PrintService()
{
    listener_.reset(); // stops the listener before the store and the log go
}

void PrintService::restart()
{
    bool listening = false;
    runSteps(LoadLabel, {
        [&] {
            if (listener_->isListening())
                listener_->stopListening();
            listening = listener_->listen(configuration_.settings.Port);
        },
        [&] {
            if (!listening)
                emit listenFailed(configuration_.settings.Port);
        },
        [&] {
            if (!listening)
                listening = listener_->listen(configuration_.settings.Port);
        },
        [&] {
            if (!listening)
                emit listenRetryFailed(configuration_.settings.Port);
        },
        [&] { store_.clear(); },
        [&] { log_.setMaxEntries(DefaultMaxLogEntries); },
        [&] { logLevelText_ = "Current LogLevel: " + std::to_string(log_.level()); },
        [&] { store_.add(PrinterDataset(configuration_.settings)); },
        [&] { emit settingsShown(configuration_.settings, QString::fromLocal8Bit(logLevelText_.c_str())); },
    });
    LoadLutTable(lutTable_, configuration_.settings);
}

void PrintService::stopListening() { listener_->stopListening(); }

bool PrintService::isListening() const { return listener_->isListening(); }

void PrintService::pruneImages()
{
    pruneOldFiles(programPath("images"), std::chrono::system_clock::now());
    letEventsRun();
}

void PrintService::associationStarted(Connection& connection) { startCreatedObjects(connection); }

void PrintService::associationEnded(Connection& connection) { removeCreatedObjects(connection, store_); }

void PrintService::handleRequest(Connection& connection)
{
    kestrova::handleRequest(connection, store_, [this](const DataSetPtr& target) { return printJob(target); });
}

void PrintService::setJobStartObserver(std::function<void()> observer) { jobStarted_ = std::move(observer); }

// The page is laid out and painted on the association's thread, so the UI thread, and
// through it every other association, goes on meanwhile, and two associations print on two
// cores. The requester is answered once the page is done; the UI thread is told of the pages.
Connection::AssociationWork PrintService::printJob(const DataSetPtr& target)
{
    auto job = std::make_shared<PrintJob>(store_, target, configuration_, lutTable_, printers_);
    return [this, job, started = jobStarted_](Connection& connection) -> Connection::UiFollowUp {
        if (started)
            started();
        connection.respond(job->print());
        return [this, job] {
            for (const auto& page : job->printedPages())
                emit filmPrinted(page);
        };
    };
}

} // namespace kestrova
