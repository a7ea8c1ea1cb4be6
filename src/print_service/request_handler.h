#pragma once
// The Print Management SCP logic: one DIMSE-N request in, one response out.

#include "print_service/object_store.h"
#include "network/connection.h"

#include <cstdint>
#include <functional>

namespace kestrova {

// Takes what printing a stored film box or film session needs; the work it returns prints
// on the association's thread and answers the N-ACTION with the outcome.
using PrintAction = std::function<Connection::AssociationWork(const DataSetPtr& target)>;

// Handles the connection's current request against the store. A failure is logged under
// "NormalisedReceived", answered with its failure status, and loses only the failing
// request's own partial objects. Requests other than N-GET, N-SET, N-ACTION, N-CREATE and
// N-DELETE get no response.
void handleRequest(Connection& connection, ObjectStore& store, const PrintAction& print);

} // namespace kestrova
