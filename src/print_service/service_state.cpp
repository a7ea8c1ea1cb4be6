#include "print_service/service_state.h"

#include "core/errors.h"

#include <numeric>

namespace kestrova {

void ServiceState::setJobSettings(FilmJobSettings settings)
{
    pixelBudget_.setLimits(settings.configuration.limits);
    jobSettings_ = std::move(settings);
}

FilmJobSettings ServiceState::currentJobSettings()
{
    const auto held = lock();
    return jobSettings_;
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
                           [](std::size_t sum, const ObjectStore* store) { return sum + store->size(); });
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
