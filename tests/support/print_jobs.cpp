#include "support/print_jobs.h"

#include "toolkit/print_tags.h"

namespace kestrova::test {

DataSetPtr filmSessionAttributes(int copies)
{
    auto session = std::make_shared<DataSet>();
    session->add(PrintTag::NumberOfCopies, std::to_string(copies));
    return session;
}

DataSetPtr filmBoxAttributes(const std::string& format, const std::string& session, const std::string& orientation)
{
    auto reference = std::make_shared<DataSet>();
    reference->add(ReferencedSopClassUidTag, std::string(uid::FilmSession));
    reference->add(ReferencedSopInstanceUidTag, session);
    auto sequence = makeCollection();
    sequence->add(reference);
    auto attributes = std::make_shared<DataSet>();
    attributes->add(PrintTag::ImageDisplayFormat, format);
    attributes->add(PrintTag::FilmOrientation, orientation);
    attributes->add(PrintTag::ReferencedFilmSessionSequence, sequence);
    return attributes;
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
