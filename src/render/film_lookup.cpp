#include "film_lookup.h"

namespace kestrova {

DataSetPtr DatasetFromSequence(const DataSetCollection& store, const Attribute& sequence, std::size_t n)
{
    const DataSetPtr& item = sequence.asSequence()->item(n);
    item->attribute(ReferencedSopClassUidTag).asText(); // required, though the class does not pick the object
    return store.find(item->attribute(ReferencedSopInstanceUidTag).asText());
}

} // namespace kestrova
