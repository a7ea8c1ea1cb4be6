#include "print_job.h"

#include "core/error_log.h"
#include "core/errors.h"
#include "data/dimse_status.h"
#include "data/print_tags.h"
#include "data/sop_classes.h"
#include "images/image.h"
#include "render/film_print.h"

namespace kestrova {

namespace {

// Other associations' requests may change or remove the stored objects while a job prints,
// so the job reads copies: the film session, its film boxes, their reference items and
// the image boxes still stored. Pictures and pixel data are shared, never changed in place.
class JobObjects {
public:
    JobObjects(const ObjectStore& store, CollectionPtr copies) : store_(store), copies_(std::move(copies)) {}

    DataSetPtr addFilmSession(const DataSet& session)
    {
        auto copy = std::make_shared<DataSet>(session);
        copy->setChildren(makeCollection());
        if (const CollectionPtr& filmBoxes = session.children()) {
            for (const DataSetPtr& child : *filmBoxes) {
                const DataSetPtr stored = store_.dataset(child->sopInstanceUid());
                if (stored && stored->sopClassUid() == SopClass::BasicFilmBox)
                    copy->children()->add(addFilmBox(*stored));
            }
        }
        copies_->add(copy);
        return copy;
    }

    // With the film session it names, when that is stored.
    DataSetPtr addFilmBoxOnItsOwn(const DataSet& filmBox)
    {
        if (const DataSetPtr session = sessionOf(filmBox)) {
            auto copy = std::make_shared<DataSet>(*session);
            copy->setChildren(makeCollection());
            copies_->add(copy);
        }
        return addFilmBox(filmBox);
    }

private:
    DataSetPtr addFilmBox(const DataSet& filmBox)
    {
        auto copy = std::make_shared<DataSet>(filmBox);
        const Attribute references = filmBox.attribute(PrintTag::ReferencedImageBoxSequence);
        if (const CollectionPtr referenced = references.sequenceOrNull()) {
            const CollectionPtr items = addImageBoxes(*referenced);
            copy->add(Attribute(references.tag(), references.vr(), items));
            copy->setChildren(items);
        }
        copies_->add(copy);
        return copy;
    }

    CollectionPtr addImageBoxes(const DataSetCollection& references)
    {
        auto items = makeCollection();
        for (const DataSetPtr& reference : references) {
            items->add(std::make_shared<DataSet>(*reference));
            const std::string uid = reference->attribute(ReferencedSopInstanceUidTag).textOrEmpty();
            const DataSetPtr stored = store_.dataset(uid);
            if (stored && !copies_->find(uid))
                copies_->add(std::make_shared<DataSet>(*stored));
        }
        return items;
    }

    // A reference that cannot be followed is left for the job to report.
    DataSetPtr sessionOf(const DataSet& filmBox) const
    {
        try {
            return store_.DatasetFromSequence(filmBox.attribute(PrintTag::ReferencedFilmSessionSequence), 1);
        } catch (const AppError&) {
            return nullptr;
        }
    }

    const ObjectStore& store_;
    CollectionPtr copies_;
};

// A prepared picture as it was kept; an image that was not prepared is decoded now.
std::shared_ptr<const Picture> pictureOf(const DataSet& imageBox)
{
    const DataSetPtr image = imageOf(imageBox);
    if (!image)
        return nullptr;
    if (image->preparedPicture())
        return image->preparedPicture();
    return std::make_shared<const Picture>(Image(image).picture());
}

FilmToPrint filmToPrint(const DataSetCollection& objects, const DataSet& filmBox)
{
    FilmToPrint film{filmBox, {}, {}};
    const DataSetPtr session = DatasetFromSequence(objects, filmBox.attribute(PrintTag::ReferencedFilmSessionSequence), 1);
    if (!session)
        raise(ErrorCode::ObjectNotSet, "Film session not found");
    film.filmSession = *session;
    for (const DataSetPtr& reference : *filmBox.attribute(PrintTag::ReferencedImageBoxSequence).asSequence()) {
        const DataSetPtr& imageBox = objects.item(reference->attribute(ReferencedSopInstanceUidTag).asText());
        film.imageBoxes.push_back(ImageBoxToPrint{*imageBox, pictureOf(*imageBox)});
    }
    return film;
}

} // namespace

PrintJob::PrintJob(const ObjectStore& store, const DataSetPtr& target, const Configuration& configuration,
                   const LutState& lut, const PrinterCatalogue& printers)
    : settings_{configuration, lut},
      printers_(printers)
{
    JobObjects objects(store, store_);
    target_ = target->sopClassUid() == SopClass::BasicFilmSession ? objects.addFilmSession(*target)
                                                                    : objects.addFilmBoxOnItsOwn(*target);
}

std::uint16_t PrintJob::print()
{
    if (target_->sopClassUid() == SopClass::BasicFilmSession)
        return printFilmSession(*target_);
    return printFilmBox(*target_) ? DimseStatus::Success : DimseStatus::ProcessingFailure;
}

std::uint16_t PrintJob::printFilmSession(const DataSet& filmSession)
{
    if (!filmSession.children() || filmSession.children()->empty())
        return DimseStatus::FilmSessionHasNoFilmBox;
    std::uint16_t status = DimseStatus::Success;
    for (const DataSetPtr& filmBox : *filmSession.children()) {
        if (!printFilmBox(*filmBox))
            status = DimseStatus::ProcessingFailure;
    }
    return status;
}

bool PrintJob::printFilmBox(const DataSet& filmBox)
{
    try {
        const FilmToPrint film = filmToPrint(*store_, filmBox);
        const std::unique_ptr<PrinterDevice> printer = openJobPrinter(printers_, settings_.configuration.settings.Printer);
        printed_.push_back(std::make_shared<const FilmPage>(printFilm(film, settings_, *printer)));
        return true;
    } catch (...) {
        const ErrorInfo error = currentErrorInfo();
        LogError(error.number, error.description, "DoPrint");
        return false;
    }
}

} // namespace kestrova
