#include "test_film/film_requests.h"

#include "data/print_tags.h"
#include "data/sop_classes.h"

namespace kestrova {

DataSetPtr filmSessionAttributes(int copies)
{
    auto session = std::make_shared<DataSet>();
    session->add(PrintTag::NumberOfCopies, std::to_string(copies));
    return session;
}

DataSetPtr filmBoxAttributes(const std::string& format, const std::string& session, const std::string& orientation)
{
    auto reference = std::make_shared<DataSet>();
    reference->add(ReferencedSopClassUidTag, std::string(SopClass::BasicFilmSession));
    reference->add(ReferencedSopInstanceUidTag, session);
    auto sequence = makeCollection();
    sequence->add(reference);
    auto attributes = std::make_shared<DataSet>();
    attributes->add(PrintTag::ImageDisplayFormat, format);
    attributes->add(PrintTag::FilmOrientation, orientation);
    attributes->add(PrintTag::ReferencedFilmSessionSequence, sequence);
    return attributes;
}

} // namespace kestrova
