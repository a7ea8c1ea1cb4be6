#pragma once
// The parts of a DIMSE request the listener needs, and the response it sends back.
// Internal to the toolkit.

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/dimse.h>

#include <cstdint>
#include <optional>
#include <string>

namespace kestrova::dimse {

struct RequestInfo {
    std::uint16_t commandField = 0;
    std::uint16_t messageId = 0;
    // Affected SOP Class/Instance for N-CREATE, N-EVENT-REPORT and C- requests, the
    // Requested ones for N-GET, N-SET, N-ACTION and N-DELETE.
    std::string sopClassUid;
    std::string sopInstanceUid;
    std::uint16_t typeId = 0; // Action Type ID or Event Type ID
    bool hasDataSet = false;
};

RequestInfo describe(const T_DIMSE_Message& request);

// "N-GET-RQ", "N-CREATE-RSP" ...; hexadecimal for anything else.
std::string commandName(std::uint16_t commandField);
// "0x0110": statuses and unknown command fields as the log shows them.
std::string hex(std::uint16_t value);

// DIMSE's parser allocates the N-GET attribute list with malloc and nobody frees it.
void freeParsedLists(T_DIMSE_Message& request);

// The response to a request: DIMSE-N responses always with Affected SOP Class and Instance
// UID, C-STORE, C-FIND, C-GET and C-MOVE responses with their status alone; nullopt for a
// command DIMSE defines no response for (C-CANCEL, a response, an unknown command).
// instanceFromData is the response data set's SOP Instance UID ("" when none): an N-CREATE
// answers with the instance the handler created.
std::optional<T_DIMSE_Message> responseTo(const RequestInfo& request, std::uint16_t status, bool withDataSet,
                                          const std::string& instanceFromData);

} // namespace kestrova::dimse
