#include "connection_objects.h"

namespace kestrova {

void startCreatedObjects(Connection& connection)
{
    connection.objectSlot() = std::make_shared<CreatedObjects>();
}

CreatedObjects& createdObjectsOf(Connection& connection)
{
    auto* list = std::any_cast<std::shared_ptr<CreatedObjects>>(&connection.objectSlot());
    if (!list || !*list) {
        startCreatedObjects(connection);
        list = std::any_cast<std::shared_ptr<CreatedObjects>>(&connection.objectSlot());
    }
    return **list;
}

void removeCreatedObjects(Connection& connection, ObjectStore& store)
{
    for (const auto& object : createdObjectsOf(connection))
        store.remove(object.classUid, object.instanceUid);
    createdObjectsOf(connection).clear();
}

} // namespace kestrova
