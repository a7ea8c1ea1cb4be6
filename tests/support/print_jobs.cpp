#include "support/print_jobs.h"

#include "data/print_tags.h"

namespace kestrova::test {

CollectionPtr referenceTo(const std::string& classUid, const std::string& instanceUid)
{
    auto item = std::make_shared<DataSet>();
    item->add(ReferencedSopClassUidTag, classUid);
    item->add(ReferencedSopInstanceUidTag, instanceUid);
    auto sequence = makeCollection();
    sequence->add(item);
    return sequence;
}

ImageBoxRefs imageBoxesOf(const Response& filmBoxCreated)
{
    ImageBoxRefs refs;
    if (!filmBoxCreated.dataSet || !filmBoxCreated.dataSet->has(PrintTag::ReferencedImageBoxSequence))
        return refs;
    for (const auto& item : *filmBoxCreated.dataSet->attribute(PrintTag::ReferencedImageBoxSequence).asSequence()) {
        refs.instances.push_back(item->attribute(ReferencedSopInstanceUidTag).asText());
        refs.classes.push_back(item->attribute(ReferencedSopClassUidTag).asText());
    }
    return refs;
}

} // namespace kestrova::test
