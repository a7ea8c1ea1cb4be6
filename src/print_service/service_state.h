#pragma once
// What the handlers of all associations share with the print service: one mutex, and under it
// the settings jobs print with, the Printer instance and the stores of the open associations;
// besides them the printer, the work slots, the pixel budget, the DICOM log and where printed
// films are reported.
//
// Threads: the members marked "under the lock" are read and written only with lock() held. The
// rest is set before the listener starts and only read afterwards, or guards itself (the stop
// flag is atomic).

#include "network/dicom_log.h"
#include "print_service/film_records.h"
#include "print_service/object_store.h"
#include "print_service/pixel_budget.h"
#include "print_service/printer_status.h"
#include "print_service/work_slots.h"
#include "printing/printer_catalogue.h"
#include "render/film_page.h"
#include "render/film_to_print.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace kestrova {

// An association as the status page lists it.
struct OpenAssociation {
    std::string callingAeTitle;
    std::string calledAeTitle;
    std::string peerHost;
    std::chrono::system_clock::time_point since;
};

// A printer as the window and the status page show it.
struct ServedPrinter {
    // The main printer's is the server's own AE title, though it answers every AE title that no
    // virtual printer has.
    std::string aeTitle;
    std::string emulation;
    std::string printer;
    std::optional<DicomPrinterStatus> status;
};

class ServiceState {
public:
    ServiceState(const PrinterCatalogue& printers, DicomLog& log) : printers_(printers), log_(log) {}
    ServiceState(const ServiceState&) = delete;
    ServiceState& operator=(const ServiceState&) = delete;

    [[nodiscard]] std::unique_lock<std::mutex> lock() { return std::unique_lock(mutex_); }

    // Under the lock: the main printer's job settings, or those of the printer an association
    // calling calledAeTitle prints on: the virtual printer with that AE title, the main printer
    // for any other.
    const FilmJobSettings& jobSettings() const { return jobSettings_; }
    const FilmJobSettings& jobSettingsFor(std::string_view calledAeTitle) const;
    // Take the lock: a copy of those.
    FilmJobSettings currentJobSettings(std::string_view calledAeTitle = {});
    // Takes the lock: the main printer, then each virtual printer in the settings' order; their
    // state is the printer watch's to give.
    std::vector<ServedPrinter> servedPrinters();
    // The budget takes the main settings' limits too.
    void setJobSettings(FilmJobSettings settings, std::vector<FilmJobSettings> virtualPrinters = {});
    void openStore(const ObjectStore& store, OpenAssociation association) { stores_.emplace(&store, std::move(association)); }
    void closeStore(const ObjectStore& store) { stores_.erase(&store); }
    // Every object every open association keeps.
    std::size_t storedObjects() const;
    // Takes the lock: the associations open now, oldest first.
    std::vector<OpenAssociation> openAssociations();

    // The printer jobs print on with these settings: the one they name when it is listed, the
    // default otherwise.
    std::string printerNamed(const Settings& settings) const { return jobPrinterName(printers_, settings.Printer); }
    // A printer device of its own for one job; raises what the catalogue raises for a printer it
    // no longer lists.
    std::unique_ptr<PrinterDevice> openPrinter(const std::string& name) const { return printers_.open(name); }
    // What the printer says of itself now; a printer that cannot be opened is not present. Asks
    // it: never under the lock.
    PrinterState printerState(const std::string& name) const;
    // The most pixels a picture needs on the printer, which is asked for them: its largest paper
    // at its resolution. A printer that cannot say is taken for the built-in one.
    PixelBounds largestPictureOn(const std::string& name) const;
    WorkSlots& workSlots() { return workSlots_; }
    PixelBudget& pixelBudget() { return pixelBudget_; }
    DicomLog& log() { return log_; }

    // Set before the listener stops and cleared before it listens again: while set, no film is
    // begun, so nothing prints for a requester the stop is about to cut off.
    void setStopping(bool stopping) { stopping_ = stopping; }
    bool stopping() const { return stopping_; }

    // On the job's thread after each printed film: the page is kept as the last one printed and
    // filmPrinted is told.
    void setFilmPrinted(std::function<void()> filmPrinted) { filmPrinted_ = std::move(filmPrinted); }
    void reportFilmPrinted(std::shared_ptr<const FilmPage> page);
    std::shared_ptr<const FilmPage> lastPrintedFilm();
    // The films printed and reprinted: each is listed, said in the DICOM log, and filmRecorded is
    // told (on the thread that printed it).
    FilmRecords& films() { return films_; }
    void setFilmRecorded(std::function<void(const FilmRecord&)> recorded) { filmRecorded_ = std::move(recorded); }
    void recordFilm(FilmRecord record);
    // On the job's thread as each job begins, in its first film's print slot.
    void setJobStarted(std::function<void()> started) { jobStarted_ = std::move(started); }
    void reportJobStarted() const;

private:
    std::mutex mutex_;
    FilmJobSettings jobSettings_;
    std::vector<FilmJobSettings> virtualPrinters_;
    std::map<const ObjectStore*, OpenAssociation> stores_;
    const PrinterCatalogue& printers_;
    DicomLog& log_;
    WorkSlots workSlots_;
    PixelBudget pixelBudget_;
    std::atomic<bool> stopping_{false};
    std::mutex lastPrintedMutex_;
    std::shared_ptr<const FilmPage> lastPrinted_;
    std::function<void()> filmPrinted_;
    FilmRecords films_;
    std::function<void(const FilmRecord&)> filmRecorded_;
    std::function<void()> jobStarted_;
};

} // namespace kestrova
