#include "print_service/film_objects.h"

#include "data/print_tags.h"
#include "images/image.h"

#include <algorithm>

namespace kestrova {

namespace {

// As the box was created: its own UID and the reference that names it.
DataSetPtr referenceItem(const DataSet& box)
{
    auto item = std::make_shared<DataSet>();
    for (const Tag tag : {SopInstanceUidTag, ReferencedSopClassUidTag, ReferencedSopInstanceUidTag})
        item->add(box.attribute(tag));
    return item;
}

template <typename Box>
CollectionPtr referencesTo(const std::vector<std::shared_ptr<Box>>& boxes)
{
    auto references = makeCollection();
    for (const auto& box : boxes)
        references->add(referenceItem(box->attributes));
    return references;
}

} // namespace

DataSet boxReference(const std::string& uid, const std::string& sopClassUid)
{
    DataSet attributes;
    attributes.setSopInstanceUid(uid);
    attributes.add(ReferencedSopClassUidTag, sopClassUid);
    attributes.add(ReferencedSopInstanceUidTag, uid);
    return attributes;
}

DataSetPtr filmBoxDataSet(const FilmBox& filmBox)
{
    auto dataSet = std::make_shared<DataSet>(filmBox.attributes);
    dataSet->add(PrintTag::ReferencedImageBoxSequence, referencesTo(filmBox.imageBoxes));
    if (!filmBox.annotationBoxes.empty())
        dataSet->add(PrintTag::ReferencedBasicAnnotationBoxSequence, referencesTo(filmBox.annotationBoxes));
    return dataSet;
}

bool hasEveryImage(const FilmBox& filmBox)
{
    return std::all_of(filmBox.imageBoxes.begin(), filmBox.imageBoxes.end(),
                       [](const auto& imageBox) { return imageOf(imageBox->attributes) != nullptr; });
}

} // namespace kestrova
