#include "print_service/film_objects.h"

#include "data/print_tags.h"
#include "images/image.h"

#include <algorithm>

namespace kestrova {

namespace {

// As the image box was created: its own UID and the reference that names it.
DataSetPtr referenceItem(const ImageBox& imageBox)
{
    auto item = std::make_shared<DataSet>();
    for (const Tag tag : {SopInstanceUidTag, ReferencedSopClassUidTag, ReferencedSopInstanceUidTag})
        item->add(imageBox.attributes.attribute(tag));
    return item;
}

} // namespace

DataSetPtr filmBoxDataSet(const FilmBox& filmBox)
{
    auto dataSet = std::make_shared<DataSet>(filmBox.attributes);
    auto references = makeCollection();
    for (const auto& imageBox : filmBox.imageBoxes)
        references->add(referenceItem(*imageBox));
    dataSet->add(PrintTag::ReferencedImageBoxSequence, references);
    return dataSet;
}

bool hasEveryImage(const FilmBox& filmBox)
{
    return std::all_of(filmBox.imageBoxes.begin(), filmBox.imageBoxes.end(),
                       [](const auto& imageBox) { return imageOf(imageBox->attributes) != nullptr; });
}

} // namespace kestrova
