#pragma once
// What one association created, kept in its connection's object slot so that the
// association's end removes exactly its own objects.

#include "print_service/object_store.h"
#include "network/connection.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrova {

struct CreatedObject {
    std::string classUid;
    std::string instanceUid;
};

using CreatedObjects = std::vector<CreatedObject>;

// Gives the connection an empty list.
void startCreatedObjects(Connection& connection);
// The connection's list; one is made if the association start was missed.
CreatedObjects& createdObjectsOf(Connection& connection);
// Removes each listed object with its cascade, in creation order.
void removeCreatedObjects(Connection& connection, ObjectStore& store);

} // namespace kestrova
