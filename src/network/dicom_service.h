#pragma once
// What the listener asks of the service behind it: one handler per association, made when the
// association is accepted and destroyed when it ends, which answers each request with a value.
//
// Threads: every call below is made on the thread of the association concerned, one request at
// a time; handlers of different associations run side by side, so a provider guards whatever
// they share.

#include "data/data_set.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kestrova {

namespace CommandField {
inline constexpr std::uint16_t NEventReportRq = 0x0100;
inline constexpr std::uint16_t NGetRq = 0x0110;
inline constexpr std::uint16_t NSetRq = 0x0120;
inline constexpr std::uint16_t NActionRq = 0x0130;
inline constexpr std::uint16_t NCreateRq = 0x0140;
inline constexpr std::uint16_t NDeleteRq = 0x0150;
} // namespace CommandField

struct AssociationInfo {
    std::string callingAeTitle;
    std::string calledAeTitle;
    std::string peerHost;
};

struct Request {
    std::uint16_t commandField = 0;
    // The affected SOP class and instance of an N-CREATE (the instance may be empty), the
    // requested ones of every other request.
    std::string sopClassUid;
    std::string sopInstanceUid;
    std::uint16_t actionTypeId = 0;
    // The abstract syntax of the presentation context that carried the request, for example
    // the Basic Grayscale Print Management Meta SOP Class.
    std::string abstractSyntax;
    DataSetPtr dataSet; // the N-CREATE attribute list or N-SET modification list; may be null
    // The request came with a data set larger than the listener's limit (ListenerLimits::
    // dataSetBytes, or a value in it announcing more): it was received in full and dropped, and
    // dataSet is null. The handler answers the request as it sees fit; the association goes on.
    // Data sets refused for other reasons (nested too deep, unreadable) never reach the handler:
    // the listener answers them 0x0110 itself.
    bool dataSetTooLarge = false;
};

struct Response {
    std::uint16_t status = 0;
    DataSetPtr dataSet; // may be null; an N-CREATE response names the instance this data set holds
    // Runs on the association's thread once the response is sent and before the next request
    // is read: work the requester's answer does not wait for. It may hold the handler's own
    // objects, so a response never outlives the handler that made it.
    std::function<void()> afterSent;
};

class AssociationHandler {
public:
    // The association has ended: released, aborted or lost.
    virtual ~AssociationHandler() = default;
    // Every request but C-ECHO, which the listener answers itself. Whatever escapes is answered
    // 0x0110.
    virtual Response handle(const Request& request) = 0;
};

class ServiceProvider {
public:
    virtual ~ServiceProvider() = default;
    virtual std::unique_ptr<AssociationHandler> startAssociation(const AssociationInfo& association) = 0;
};

} // namespace kestrova
