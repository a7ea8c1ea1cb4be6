#include "print_service/print_job.h"

#include "core/error_log.h"
#include "images/image.h"
#include "print_service/dimse_status.h"
#include "print_service/presentation_luts.h"
#include "render/film_cells.h"
#include "render/film_print.h"

namespace kestrova {

namespace {

constexpr const char* Label = "DoPrint";

// An image box deleted on its own is no longer stored, but its film box still names it.
ImageBoxToPrint imageBoxToPrint(const ObjectStore& store, const ImageBox& imageBox)
{
    if (!store.contains(imageBox.uid))
        raise(ErrorCode::SubscriptOutOfRange);
    return ImageBoxToPrint{imageBox.attributes, imageBox.picture, curveOf(imageBox.presentationLut)};
}

FilmToPrint filmToPrint(const ObjectStore& store, const FilmBox& filmBox)
{
    FilmToPrint film{filmBox.attributes, filmBox.session->attributes, {}, curveOf(filmBox.presentationLut)};
    for (const auto& imageBox : filmBox.imageBoxes)
        film.imageBoxes.push_back(imageBoxToPrint(store, *imageBox));
    for (const auto& annotationBox : filmBox.annotationBoxes)
        if (store.contains(annotationBox->uid)) // one deleted on its own prints no text
            film.annotationBoxes.push_back(annotationBox->attributes);
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

void logFailure(const ErrorInfo& error) { LogError(error.number, error.description, Label); }

enum class FilmOutcome { Printed, Failed, NoRoom, TooLarge, NotBegun };

// Where a film was printed and for whom, and what the printer made of it. A printer that keeps no
// page file has nothing to list.
void recordPrinted(ServiceState& service, const FilmJobSettings& settings, const std::string& callingAeTitle,
                   PrintedFilm printed)
{
    if (printed.file.empty())
        return;
    const JobState state = printed.job ? JobState::Pending : JobState::Completed;
    service.recordFilm(
        FilmRecord{0, std::chrono::system_clock::now(), callingAeTitle, settings.printer, std::move(printed), state});
}

// A page is drawn whole before the printer sees it: its pictures are then held as pixels, beside
// everything the association and the others hold.
FilmOutcome printWithinBudget(const FilmToPrint& film, const FilmJobSettings& settings, PrinterDevice& printer,
                              ServiceState& service, PixelAccount& pixels, const std::string& callingAeTitle)
{
    auto page = std::make_shared<const FilmPage>(filmPageFor(withEveryPicture(film, settings.largestPicture), settings, printer));
    const std::uint64_t bytes = pagePixelBytes(*page);
    PixelCharge room(pixels);
    if (!room.resize(bytes)) {
        const std::string why = "Film box " + film.filmBox.sopInstanceUid() + " not printed: its page needs " +
                                megabytesText(bytes) + " and " + pixels.describe();
        logFailure(ErrorInfo{static_cast<int>(ErrorCode::Overflow), why});
        service.log().append(LogCategory::Errors, why);
        return FilmOutcome::NoRoom;
    }
    recordPrinted(service, settings, callingAeTitle, printFilmPage(*page, printer));
    service.reportFilmPrinted(std::move(page));
    return FilmOutcome::Printed;
}

// A slot per film, not per job: a session of a thousand films would otherwise keep everyone
// else's prints waiting for all of them.
FilmOutcome printOne(const std::variant<FilmToPrint, AppError>& film, const FilmJobSettings& settings,
                     PrinterDevice& printer, ServiceState& service, PixelAccount& pixels,
                     const std::string& callingAeTitle, bool firstOfJob)
{
    const auto slot = service.workSlots().take(WorkKind::Print);
    // A film waiting for its slot when the service began to stop is not begun: its requester is
    // about to be cut off.
    if (service.stopping())
        return FilmOutcome::NotBegun;
    if (firstOfJob)
        service.reportJobStarted();
    try {
        if (const auto* failure = std::get_if<AppError>(&film))
            throw *failure;
        return printWithinBudget(std::get<FilmToPrint>(film), settings, printer, service, pixels, callingAeTitle);
    } catch (const ImageLargerThanCell& tooLarge) {
        logFailure(ErrorInfo{tooLarge.number(), tooLarge.description()});
        return FilmOutcome::TooLarge;
    } catch (...) {
        logFailure(currentErrorInfo());
        return FilmOutcome::Failed;
    }
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

std::uint16_t PrintJob::print(const FilmJobSettings& settings, ServiceState& service, PixelAccount& pixels,
                             const std::string& callingAeTitle) const
{
    if (ofSession_ && films_.empty())
        return DimseStatus::FilmSessionHasNoFilmBox;
    std::unique_ptr<PrinterDevice> printer;
    try {
        printer = service.openPrinter(settings.printer);
    } catch (...) {
        logFailure(currentErrorInfo());
        return DimseStatus::ProcessingFailure;
    }
    bool failed = false;
    bool tooLarge = false;
    bool noRoom = false;
    for (const Film& film : films_) {
        const FilmOutcome outcome =
            printOne(film, settings, *printer, service, pixels, callingAeTitle, &film == &films_.front());
        if (outcome == FilmOutcome::NotBegun)
            return DimseStatus::ProcessingFailure;
        failed = failed || outcome == FilmOutcome::Failed;
        tooLarge = tooLarge || outcome == FilmOutcome::TooLarge;
        noRoom = noRoom || outcome == FilmOutcome::NoRoom;
    }
    if (failed)
        return DimseStatus::ProcessingFailure;
    if (tooLarge)
        return DimseStatus::ImageLargerThanImageBox;
    return noRoom ? DimseStatus::ResourceLimitation : DimseStatus::Success;
}

} // namespace kestrova
