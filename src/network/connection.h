#pragma once
// One association as the request handler sees it: the current request, the response it
// builds, and a slot the program keeps per connection for the association's lifetime.

#include "data/data_set.h"

#include <any>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace kestrova {

namespace CommandField {
inline constexpr std::uint16_t NGetRq = 0x0110;
inline constexpr std::uint16_t NSetRq = 0x0120;
inline constexpr std::uint16_t NActionRq = 0x0130;
inline constexpr std::uint16_t NCreateRq = 0x0140;
inline constexpr std::uint16_t NDeleteRq = 0x0150;
inline constexpr std::uint16_t NEventReportRq = 0x0100;
} // namespace CommandField

// The response the handler has given so far: at most one is sent per request.
struct PendingResponse {
    DataSetPtr dataSet; // may be null
    std::uint16_t status = 0;
};

// The command set of a request as a requester sends it: creation names the affected SOP
// class and instance, every other request the requested ones. For driving the handler
// without a network.
DataSet requestCommand(std::uint16_t commandField, const std::string& classUid, const std::string& instanceUid);

class Connection {
public:
    Connection(std::string callingAeTitle, std::string peerHost);

    const std::string& callingAeTitle() const { return callingAeTitle_; }
    const std::string& peerHost() const { return peerHost_; }

    // The request being handled. Only valid inside a request call.
    const DataSet& command() const { return command_; }
    std::uint16_t commandField() const;
    // The request's data set (N-SET modification list, N-CREATE attribute list); may be null.
    const DataSetPtr& request() const { return request_; }
    // Abstract syntax of the presentation context that carried the request, for example
    // the Basic Grayscale Print Management Meta SOP Class.
    const std::string& abstractSyntax() const { return abstractSyntax_; }

    // Respond with a data set and a status.
    void respond(DataSetPtr dataSet, std::uint16_t status);
    // Respond with a status. A data set given earlier for the same request is kept, so
    // "data set, then status" reaches the requester as one response.
    void respond(std::uint16_t status);
    // Replace whatever was given with a status alone (used when a request fails half way).
    void respondStatusOnly(std::uint16_t status);
    const std::optional<PendingResponse>& response() const { return response_; }

    // Work too long for the UI thread (decoding an image, printing a page): once the handler
    // returns, the association's own thread runs it; the follow-up it returns, if any, runs
    // on the UI thread next. Work whose outcome is the answer runs before the response is sent
    // and may change it; other work runs once the response is out, while the requester sends
    // its next request, and before that request is read. Work that makes ready for requests
    // still to come (a preparation) waits only for other preparations, never holding up the
    // work of a request whose outcome is its answer.
    using UiFollowUp = std::function<void()>;
    using AssociationWork = std::function<UiFollowUp(Connection&)>;
    enum class WorkTiming { BeforeResponse, AfterResponse };
    enum class WorkKind { Answer, Preparation };
    struct ScheduledWork {
        AssociationWork work;
        WorkKind kind = WorkKind::Answer;
    };
    void continueOnAssociationThread(AssociationWork work, WorkTiming timing = WorkTiming::BeforeResponse,
                                     WorkKind kind = WorkKind::Answer);
    // Used by the listener: the work left by the handler of the current request.
    ScheduledWork takeAssociationWork(WorkTiming timing);
    // Where no listener runs the handler: the work left, then its follow-up, on this thread.
    void runAssociationWorkInPlace();

    // The program's own per-connection state.
    std::any& objectSlot() { return slot_; }

    // Used by the listener to load the next request; resets the response.
    void beginRequest(DataSet command, DataSetPtr request, std::string abstractSyntax);

private:
    std::string callingAeTitle_;
    std::string peerHost_;
    DataSet command_;
    DataSetPtr request_;
    std::string abstractSyntax_;
    std::optional<PendingResponse> response_;
    ScheduledWork workBeforeResponse_;
    ScheduledWork workAfterResponse_;
    std::any slot_;
};

} // namespace kestrova
