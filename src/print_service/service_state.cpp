#include "print_service/service_state.h"

#include "core/errors.h"
#include "print_service/printer_instance.h"

#include <numeric>

namespace kestrova {

void ServiceState::setJobSettings(FilmJobSettings settings)
{
    pixelBudget_.setLimits(settings.configuration.limits);
    jobSettings_ = std::move(settings);
}

PixelBounds ServiceState::largestPictureFor(const Settings& settings) const
{
    try {
        return printerFor(settings)->capabilities().largestPicture();
    } catch (const AppError&) {
        return LargestFilmPicture;
    }
}

DataSetPtr ServiceState::printerInstance() const { return PrinterDataset(jobSettings_.configuration.settings); }

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

void ServiceState::reportJobStarted() const
{
    if (jobStarted_)
        jobStarted_();
}

} // namespace kestrova
