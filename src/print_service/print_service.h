#pragma once
// The DICOM print service: listener, object store, request handling, printing and the
// prune timer. It runs with or without a window; a window only shows what it reports.

#include "core/configuration.h"
#include "core/lut_table.h"
#include "print_service/object_store.h"
#include "printing/printer_catalogue.h"
#include "render/film_page.h"
#include "network/dicom_log.h"
#include "network/dicom_listener.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

namespace kestrova {

class PrintService : public QObject, public ConnectionHandler {
    Q_OBJECT
public:
    // The configuration and the printers are the program's; the service reads the configuration
    // at each restart and each job.
    PrintService(const Configuration& configuration, const PrinterCatalogue& printers, QObject* parent = nullptr);
    ~PrintService() override;

    // Starts the service on the configured port with a fresh store holding the Printer
    // instance, and loads the LUT table when the LUT setting asks for it. A port that
    // cannot be opened is reported through listenFailed before the store is rebuilt; the
    // listen is then tried once more on the port set by then (a window lets the user change
    // it), and a second failure is reported through listenRetryFailed.
    void restart();
    void stopListening();
    bool isListening() const;

    // Called on each print job's own thread as it begins, for tests that watch jobs run side
    // by side. Takes effect for jobs that begin afterwards.
    void setJobStartObserver(std::function<void()> observer);

    DicomLog& log() { return log_; }
    DicomListener& listener() { return *listener_; }
    ObjectStore& store() { return store_; }
    LutState& lutTable() { return lutTable_; }
    // "Current LogLevel: " + level, as of the last restart.
    const std::string& logLevelText() const { return logLevelText_; }

    // Deletes files in images/ created a day or more ago; runs every minute.
    void pruneImages();

    // ConnectionHandler
    void associationStarted(Connection& connection) override;
    void handleRequest(Connection& connection) override;
    void associationEnded(Connection& connection) override;

signals:
    // The listener could not be opened on port; emitted synchronously, so a window can show
    // its message and dialogs before the service start goes on.
    void listenFailed(int port);
    void listenRetryFailed(int port);
    // The settings the service now runs with, and the log label text.
    void settingsShown(const kestrova::Settings& settings, const QString& logLevelText);
    // On the UI thread, after each film printed: its page, for the preview.
    void filmPrinted(std::shared_ptr<const kestrova::FilmPage> page);

private:
    Connection::AssociationWork printJob(const DataSetPtr& target);

    const Configuration& configuration_;
    const PrinterCatalogue& printers_;
    std::function<void()> jobStarted_;
    DicomLog log_;
    ObjectStore store_;
    LutState lutTable_;
    std::unique_ptr<DicomListener> listener_;
    QTimer pruneTimer_;
    std::string logLevelText_;
};

} // namespace kestrova
