#include "print_service/print_job.h"

#include "core/error_log.h"
#include "images/image.h"
#include "print_service/dimse_status.h"
#include "render/film_print.h"

namespace kestrova {

namespace {

constexpr const char* Label = "DoPrint";

// An image box deleted on its own is no longer stored, but its film box still names it.
ImageBoxToPrint imageBoxToPrint(const ObjectStore& store, const ImageBox& imageBox)
{
    if (!store.contains(imageBox.uid))
        raise(ErrorCode::SubscriptOutOfRange);
    return ImageBoxToPrint{imageBox.attributes, imageBox.picture};
}

FilmToPrint filmToPrint(const ObjectStore& store, const FilmBox& filmBox)
{
    FilmToPrint film{filmBox.attributes, filmBox.session->attributes, {}};
    for (const auto& imageBox : filmBox.imageBoxes)
        film.imageBoxes.push_back(imageBoxToPrint(store, *imageBox));
    return film;
}

std::variant<FilmToPrint, AppError> takenFilm(const ObjectStore& store, const FilmBox& filmBox)
{
    try {
        return filmToPrint(store, filmBox);
    } catch (const AppError& error) {
        return error;
    }
}

// An image that could not be decoded when it arrived is decoded again, to say why.
FilmToPrint withEveryPicture(FilmToPrint film, const PixelBounds& largestPicture)
{
    for (ImageBoxToPrint& imageBox : film.imageBoxes) {
        if (const DataSetPtr image = imageOf(imageBox.attributes); image && !imageBox.picture)
            imageBox.picture = std::make_shared<const Picture>(decodedPicture(*image, largestPicture));
    }
    return film;
}

} // namespace

PrintJob PrintJob::ofFilmBox(const ObjectStore& store, const FilmBox& filmBox)
{
    PrintJob job;
    job.films_.push_back(takenFilm(store, filmBox));
    return job;
}

PrintJob PrintJob::ofFilmSession(const ObjectStore& store, const FilmSession& session)
{
    PrintJob job;
    job.ofSession_ = true;
    for (const auto& filmBox : session.filmBoxes)
        job.films_.push_back(takenFilm(store, *filmBox));
    return job;
}

std::uint16_t PrintJob::print(const FilmJobSettings& settings, PrinterDevice& printer, ServiceState& service) const
{
    if (ofSession_ && films_.empty())
        return DimseStatus::FilmSessionHasNoFilmBox;
    std::uint16_t status = DimseStatus::Success;
    for (const Film& film : films_) {
        if (!printOne(film, settings, printer, service))
            status = DimseStatus::ProcessingFailure;
    }
    return status;
}

// A slot per film, not per job: a session of a thousand films would otherwise keep everyone
// else's prints waiting for all of them.
bool PrintJob::printOne(const Film& film, const FilmJobSettings& settings, PrinterDevice& printer, ServiceState& service) const
{
    const auto slot = service.workSlots().take(WorkKind::Print);
    if (&film == &films_.front())
        service.reportJobStarted();
    try {
        if (const auto* failure = std::get_if<AppError>(&film))
            throw *failure;
        service.reportFilmPrinted(
            std::make_shared<const FilmPage>(printFilm(withEveryPicture(std::get<FilmToPrint>(film), settings.largestPicture), settings, printer)));
        return true;
    } catch (...) {
        const ErrorInfo error = currentErrorInfo();
        LogError(error.number, error.description, Label);
        return false;
    }
}

} // namespace kestrova
