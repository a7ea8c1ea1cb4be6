#include "object_store.h"

#include "core/steps.h"
#include "data/print_tags.h"
#include "data/sop_classes.h"

#include <vector>

namespace kestrova {

namespace {

// The Referenced SOP Instance UID of a reference sequence's first item, "" when there is none.
std::string firstReferencedUid(const Attribute& sequence)
{
    if (sequence.isNull())
        return {};
    const CollectionPtr& items = sequence.asSequence();
    if (!items || items->empty())
        return {};
    return items->item(1)->attribute(ReferencedSopInstanceUidTag).textOrEmpty();
}

std::vector<std::string> filmBoxesOfSession(const DataSetCollection& objects, const std::string& sessionUid)
{
    std::vector<std::string> filmBoxes;
    for (const auto& object : objects) {
        const std::string referenced = firstReferencedUid(object->attribute(PrintTag::ReferencedFilmSessionSequence));
        if (!referenced.empty() && referenced == sessionUid)
            filmBoxes.push_back(object->sopInstanceUid());
    }
    return filmBoxes;
}

// A film session lists its film boxes as children. One left there after its film box was
// deleted would keep that film's images in memory until the session itself goes.
void detachFromFilmSession(const DataSetCollection& objects, const std::string& classUid, const std::string& instanceUid)
{
    const DataSetPtr filmBox = classUid == SopClass::BasicFilmBox ? objects.find(instanceUid) : nullptr;
    if (!filmBox)
        return;
    const DataSetPtr session
        = DatasetFromSequence(objects, filmBox->attribute(PrintTag::ReferencedFilmSessionSequence), 1);
    if (session && session->children())
        session->children()->remove(instanceUid);
}

} // namespace

ObjectStore::ObjectStore()
    : objects_(makeCollection())
{
}

DataSetPtr ObjectStore::NewDataSet()
{
    DataSetPtr object = objects_->addNew();
    object->setChildren(makeCollection());
    return object;
}

DataSetPtr ObjectStore::dataset(const std::string& uid) const
{
    return objects_->find(uid);
}

DataSetPtr ObjectStore::DatasetFromSequence(const Attribute& sequence, std::size_t n) const
{
    return kestrova::DatasetFromSequence(*objects_, sequence, n);
}

void ObjectStore::remove(const std::string& classUid, const std::string& instanceUid)
{
    // A cascade that meets a malformed object stops there; the object itself still goes.
    ignoreErrors({[&] { removeDependents(classUid, instanceUid); },
                  [&] { detachFromFilmSession(*objects_, classUid, instanceUid); }});
    objects_->remove(instanceUid);
}

void ObjectStore::removeDependents(const std::string& classUid, const std::string& instanceUid)
{
    if (classUid == SopClass::BasicFilmSession) {
        // Collected first: removing while walking would skip members.
        for (const auto& filmBox : filmBoxesOfSession(*objects_, instanceUid))
            remove(SopClass::BasicFilmBox, filmBox);
    } else if (classUid == SopClass::BasicFilmBox) {
        const DataSetPtr filmBox = objects_->find(instanceUid);
        if (!filmBox)
            return;
        const Attribute imageBoxes = filmBox->attribute(PrintTag::ReferencedImageBoxSequence);
        if (imageBoxes.isNull())
            return;
        for (const auto& reference : *imageBoxes.asSequence())
            remove(reference->attribute(ReferencedSopClassUidTag).textOrEmpty(),
                   reference->attribute(ReferencedSopInstanceUidTag).textOrEmpty());
    }
}

void ObjectStore::add(DataSetPtr object) { objects_->add(std::move(object)); }

void ObjectStore::clear() { objects_ = makeCollection(); }

void ObjectStore::reset(DataSetPtr printer)
{
    clear();
    add(std::move(printer));
}

} // namespace kestrova
