#include "print_job.h"

#include "core/errors.h"
#include "render/film_print.h"
#include "data/print_tags.h"
#include "data/sop_classes.h"

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

} // namespace

PrintJob::PrintJob(const ObjectStore& store, const DataSetPtr& target, const Configuration& configuration,
                   const LutState& lut, const PrinterDevice& printer, const PreviewSurface& preview, bool previewWanted)
    : configuration_(configuration),
      lut_(lut),
      printer_(printer.deviceForJob()),
      preview_(preview),
      previewWanted_(previewWanted)
{
    JobObjects objects(store, store_);
    target_ = target->sopClassUid() == SopClass::BasicFilmSession ? objects.addFilmSession(*target)
                                                                    : objects.addFilmBoxOnItsOwn(*target);
}

std::uint16_t PrintJob::print()
{
    const PrintContext context{store_,   configuration_.settings, configuration_.headerLeft, configuration_.headerRight,
                               lut_,     *printer_,               preview_,                   [this] { return previewWanted_; }};
    if (target_->sopClassUid() == SopClass::BasicFilmSession)
        return PrintFilmSession(*target_, context);
    return DoPrint(target_->sopInstanceUid(), context);
}

} // namespace kestrova
