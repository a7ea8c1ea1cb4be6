#include "print_service/service_state.h"

#include "core/errors.h"
#include "core/number_text.h"

#include <algorithm>

#include <numeric>

namespace kestrova {

void ServiceState::setJobSettings(FilmJobSettings settings, std::vector<FilmJobSettings> virtualPrinters)
{
    pixelBudget_.setLimits(settings.configuration.limits);
    jobSettings_ = std::move(settings);
    virtualPrinters_ = std::move(virtualPrinters);
}

// DICOM pads AE titles with spaces, which do not count.
const FilmJobSettings& ServiceState::jobSettingsFor(std::string_view calledAeTitle) const
{
    const std::string_view called = trimBlanks(calledAeTitle, " ");
    const auto named = std::find_if(virtualPrinters_.begin(), virtualPrinters_.end(), [&](const FilmJobSettings& printer) {
        return trimBlanks(printer.configuration.settings.AETName, " ") == called;
    });
    return named == virtualPrinters_.end() ? jobSettings_ : *named;
}

FilmJobSettings ServiceState::currentJobSettings(std::string_view calledAeTitle)
{
    const auto held = lock();
    return jobSettingsFor(calledAeTitle);
}

std::vector<ServedPrinter> ServiceState::servedPrinters()
{
    const auto served = [](const FilmJobSettings& job) {
        const Settings& settings = job.configuration.settings;
        return ServedPrinter{settings.AETName, settings.Emulation, job.printer, std::nullopt};
    };
    const auto held = lock();
    std::vector<ServedPrinter> printers{served(jobSettings_)};
    for (const FilmJobSettings& job : virtualPrinters_)
        printers.push_back(served(job));
    return printers;
}

std::vector<OpenAssociation> ServiceState::openAssociations()
{
    std::vector<OpenAssociation> open;
    {
        const auto held = lock();
        for (const auto& [store, association] : stores_)
            open.push_back(association);
    }
    std::sort(open.begin(), open.end(), [](const OpenAssociation& a, const OpenAssociation& b) { return a.since < b.since; });
    return open;
}

PixelBounds ServiceState::largestPictureOn(const std::string& name) const
{
    try {
        return openPrinter(name)->capabilities().largestPicture();
    } catch (const AppError&) {
        return LargestFilmPicture;
    }
}

PrinterState ServiceState::printerState(const std::string& name) const
{
    try {
        return openPrinter(name)->state();
    } catch (const AppError&) {
        return PrinterState{false, false, false, {}};
    }
}

std::size_t ServiceState::storedObjects() const
{
    return std::accumulate(stores_.begin(), stores_.end(), std::size_t{0},
                           [](std::size_t sum, const auto& open) { return sum + open.first->size(); });
}

void ServiceState::reportFilmPrinted(std::shared_ptr<const FilmPage> page)
{
    {
        const std::lock_guard lock(lastPrintedMutex_);
        lastPrinted_ = std::move(page);
    }
    if (filmPrinted_)
        filmPrinted_();
}

std::shared_ptr<const FilmPage> ServiceState::lastPrintedFilm()
{
    const std::lock_guard lock(lastPrintedMutex_);
    return lastPrinted_;
}

void ServiceState::recordFilm(FilmRecord record)
{
    const int id = films_.add(record);
    record.id = id;
    log_.append(LogCategory::Commands, filmDescription(record));
    if (filmRecorded_)
        filmRecorded_(record);
}

void ServiceState::reportJobStarted() const
{
    if (jobStarted_)
        jobStarted_();
}

} // namespace kestrova
