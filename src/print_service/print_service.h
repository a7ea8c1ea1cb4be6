#pragma once
// The DICOM print service: the listener, the handling of every association's requests, printing
// and the prune timer. It runs with or without a window; a window only shows what it reports.
//
// Threads: the service lives on the UI thread, where restart, stop and the timer run. Requests
// are handled on their associations' threads (print_association.h); the UI thread hears of them
// only through the queued signals below and never waits for them, nor they for it.

#include "core/configuration.h"
#include "network/dicom_listener.h"
#include "network/dicom_log.h"
#include "network/dicom_service.h"
#include "print_service/printer_watch.h"
#include "print_service/service_state.h"
#include "printing/printer_catalogue.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

namespace kestrova {

class PrintService : public QObject, public ServiceProvider {
    Q_OBJECT
public:
    // The configuration is the program's; the service takes a copy of it at each restart.
    PrintService(const Configuration& configuration, const PrinterCatalogue& printers, QObject* parent = nullptr);
    ~PrintService() override;

    // Starts the service on the configured port, with the settings and the LUT table now in
    // force. A port that cannot be opened is reported through listenFailed; the listen is then
    // tried once more on the port set by then (a window lets the user change it), and a second
    // failure is reported through listenRetryFailed.
    void restart();
    // Begins no film from now on, and stops the listener: requests being handled are answered
    // (an N-ACTION whose printing had not begun with 0x0110), the other connections closed.
    // Takes up to StopGrace (network/dicom_listener.h).
    void stopListening();
    bool isListening() const;

    DicomLog& log() { return log_; }
    DicomListener& listener() { return listener_; }
    // "Current LogLevel: " + level, as of the last restart.
    const std::string& logLevelText() const { return logLevelText_; }
    // Every object the open associations keep.
    std::size_t storedObjects();
    // The page of the film printed last, for the preview; null before the first.
    std::shared_ptr<const FilmPage> lastPrintedFilm() { return state_.lastPrintedFilm(); }

    // Called on each print job's own thread as it begins, for tests that watch jobs run side by
    // side. Set before the service listens.
    void setJobStartObserver(std::function<void()> observer);

    // The films printed since the start, oldest first; filmsChanged says when the list changes.
    std::vector<FilmRecord> films() { return state_.films().all(); }
    std::optional<FilmRecord> film(int id) { return state_.films().find(id); }
    // Sends a listed film again to the printer the settings name now, on the printer watch's
    // thread (printer_watch.h): the call returns at once. False when the film is no longer listed
    // or too many reprints wait.
    bool reprint(int film);
    // The printer in use as DICOM says it, as last asked (every second); none before the first
    // answer. printerStatusChanged says when it changes.
    std::optional<DicomPrinterStatus> printerStatus() const { return watch_.printerStatus(); }
    // Every printer the service serves, the main one first, then the virtual printers in the
    // settings' order, with its state as last asked. printerStatusChanged says when one changes.
    std::vector<ServedPrinter> servedPrinters();
    // The associations open now, oldest first.
    std::vector<OpenAssociation> openAssociations() { return state_.openAssociations(); }

    // Deletes files in images/ created a day or more ago, and films older than the [Films]
    // setting; runs every minute.
    void pruneImages();

    std::unique_ptr<AssociationHandler> startAssociation(const AssociationInfo& association) override;

signals:
    // The listener could not be opened on port; emitted synchronously, so a window can show
    // its message and dialogs before the service start goes on.
    void listenFailed(int port);
    void listenRetryFailed(int port);
    // The settings the service now runs with, and the log label text.
    void settingsShown(const kestrova::Settings& settings, const QString& logLevelText);
    // A film was printed (lastPrintedFilm); emitted on the job's thread, so connect it queued.
    void filmPrinted();
    // The list of films changed (a film printed or reprinted, a job's state); the printer's state
    // changed. Emitted on the thread that saw it, so connect them queued.
    void filmsChanged();
    void printerStatusChanged();

private:
    // What jobs print with on one printer, as the settings in force have it.
    FilmJobSettings jobSettings(const Settings& settings, const std::string& printer) const;

    const Configuration& configuration_;
    DicomLog log_;
    ServiceState state_;
    DicomListener listener_;
    QTimer pruneTimer_;
    std::string logLevelText_;
    // Last: its thread starts once the state it watches is made, and stops first.
    PrinterWatch watch_;
};

} // namespace kestrova
