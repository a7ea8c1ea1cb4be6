#pragma once
// The Print Management SCP logic: one DIMSE-N request in, one response out.

#include "print_service/object_store.h"
#include "toolkit/connection.h"

#include <cstdint>
#include <functional>

namespace kestrova {

// Prints a stored film box or film session and returns the N-ACTION status.
using PrintAction = std::function<std::uint16_t(const DataSetPtr& target)>;

// Handles the connection's current request against the store. A failure is logged under
// "NormalisedReceived", answered with its failure status, and loses only the failing
// request's own partial objects. Requests other than N-GET, N-SET, N-ACTION, N-CREATE and
// N-DELETE get no response.
void handleRequest(Connection& connection, ObjectStore& store, const PrintAction& print);

} // namespace kestrova
