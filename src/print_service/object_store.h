#pragma once
// The store of print objects: every film session, film box and image box requesters
// create, and the Printer instance, in one collection keyed by SOP Instance UID.

#include "data/data_set.h"

#include <string>

namespace kestrova {

class ObjectStore {
public:
    ObjectStore();

    // Appends a new empty object with an empty child collection and returns it.
    DataSetPtr NewDataSet();
    // The stored object with that UID, or null.
    DataSetPtr dataset(const std::string& uid) const;
    // The stored object that item n of a reference sequence names, or null.
    DataSetPtr DatasetFromSequence(const Attribute& sequence, std::size_t n) const;
    // Removes an object with everything that hangs from it: a film session takes its film
    // boxes, a film box its image boxes. Unknown UIDs are no error.
    void remove(const std::string& classUid, const std::string& instanceUid);
    void add(DataSetPtr object);
    // Drops every object.
    void clear();
    // Drops everything and keeps only the given Printer instance.
    void reset(DataSetPtr printer);

    const CollectionPtr& collection() const { return objects_; }
    std::size_t count() const { return objects_->count(); }

private:
    void removeDependents(const std::string& classUid, const std::string& instanceUid);

    CollectionPtr objects_;
};

} // namespace kestrova
