#include "network/internal/association_thread.h"

#include "core/errors.h"
#include "core/log_text.h"
#include "data/dcm_convert.h"
#include "network/dicom_log.h"
#include "network/internal/data_set_receiver.h"
#include "network/internal/listener_state.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmnet/cond.h>
#include <dcmtk/dcmnet/diutil.h>
#include <dcmtk/dcmnet/dul.h>

#include <functional>

namespace kestrova {

namespace {

// The UIDs are the requester's text.
std::string describeRequest(const dimse::RequestInfo& request)
{
    std::string text = dimse::commandName(request.commandField) + " (message " + std::to_string(request.messageId) + ")";
    if (!request.sopClassUid.empty())
        text += " class " + logText(request.sopClassUid);
    if (!request.sopInstanceUid.empty())
        text += " instance " + logText(request.sopInstanceUid);
    return text;
}

Request requestOf(const dimse::RequestInfo& info, std::string abstractSyntax, RequestData data)
{
    return Request{info.commandField, info.sopClassUid, info.sopInstanceUid, info.typeId, std::move(abstractSyntax),
                   std::move(data.dataSet), data.tooLarge};
}

// Why a data set is not handed to the handler, for the DICOM log.
std::string refusalReason(dcm::ReadState state, std::uint64_t maxBytes)
{
    switch (state) {
    case dcm::ReadState::TooLarge: return "it holds more than " + std::to_string(maxBytes) + " bytes";
    case dcm::ReadState::TooDeep: return "its sequences nest deeper than " + std::to_string(MaxSequenceNesting);
    case dcm::ReadState::TooManyElements:
        return "it holds more than " + std::to_string(MaxDataSetElements) + " attributes and items";
    case dcm::ReadState::Malformed: return "its sequences and items cannot be followed";
    default: break;
    }
    return "it cannot be read";
}

// A request being handled: a stop waits for its answer (ConnectionRegistry::beginRequest).
class RequestInProgress {
public:
    RequestInProgress(ConnectionRegistry& connections, ConnectionRegistry::Id id)
        : connections_(connections), id_(id), begun_(connections.beginRequest(id))
    {
    }
    ~RequestInProgress()
    {
        if (begun_)
            connections_.endRequest(id_);
    }
    RequestInProgress(const RequestInProgress&) = delete;
    RequestInProgress& operator=(const RequestInProgress&) = delete;

    // False when a stop came first.
    bool begun() const { return begun_; }

private:
    ConnectionRegistry& connections_;
    const ConnectionRegistry::Id id_;
    const bool begun_;
};

} // namespace

void dropAndDestroy(T_ASC_Association* association)
{
    if (association == nullptr)
        return;
    ASC_dropAssociation(association);
    ASC_destroyAssociation(&association);
}

AssociationThread::AssociationThread(ListenerState& listener, ConnectionRegistry::Id connection)
    : listener_(listener), connection_(connection)
{
}

AssociationThread::~AssociationThread() = default;

OFCondition AssociationThread::run(T_ASC_Association* association)
{
    association_ = association;
    return DcmThreadSCP::run(association);
}

std::string AssociationThread::peer() const { return logText(info_.callingAeTitle) + " at " + logText(info_.peerHost); }

void AssociationThread::notifyAssociationRequest(const T_ASC_Parameters& params, DcmSCPActionType& desiredAction)
{
    DcmThreadSCP::notifyAssociationRequest(params, desiredAction);
    info_ = AssociationInfo{params.DULparams.callingAPTitle, params.DULparams.calledAPTitle,
                            params.DULparams.callingPresentationAddress};
    listener_.log(LogCategory::Associations, "Association request from " + peer() + " to " + logText(info_.calledAeTitle));
}

void AssociationThread::notifyAssociationAcknowledge()
{
    listener_.log(LogCategory::Associations, "Association accepted from " + peer());
    try {
        handler_ = listener_.service().startAssociation(info_);
    } catch (...) {
        listener_.log(LogCategory::Errors, "Association with " + peer() + " could not start: " +
                                               logText(currentErrorInfo().description));
    }
}

void AssociationThread::notifyReleaseRequest()
{
    listener_.log(LogCategory::Associations, "Association released by " + peer());
}

// A connection the stop closed looks to DCMTK like a peer that went.
void AssociationThread::notifyAbortRequest()
{
    listener_.log(LogCategory::Associations, listener_.stopping() ? "Association with " + peer() + " ended by the listener's stop"
                                                                  : "Association aborted by " + peer());
}

void AssociationThread::notifyDIMSEError(const OFCondition& condition)
{
    if (listener_.stopping())
        listener_.log(LogCategory::Associations, "Association with " + peer() + " ended by the listener's stop");
    else
        listener_.log(LogCategory::Errors, "Association with " + peer() + " lost: " + condition.text());
}

void AssociationThread::notifyAssociationTermination()
{
    if (!handler_)
        return; // refused or never acknowledged: the service never heard of it
    listener_.log(LogCategory::Associations, "Association with " + peer() + " ended");
    handler_.reset();
}

// DcmSCP's own loop gives no command set and ends the association on every command it does not
// answer itself; this one hands each request to the handler.
void AssociationThread::handleAssociation()
{
    for (;;) {
        T_ASC_PresentationContextID presentationId = 0;
        T_DIMSE_Message message{};
        DcmDataset* rawStatusDetail = nullptr;
        DcmDataset* rawCommandSet = nullptr;
        const OFCondition received = receiveDIMSECommand(&presentationId, &message, &rawStatusDetail, &rawCommandSet);
        const std::unique_ptr<DcmDataset> statusDetail(rawStatusDetail);
        const std::unique_ptr<DcmDataset> commandSet(rawCommandSet);
        if (received.bad()) {
            endAssociation(received);
            return;
        }
        const OFCondition answered = answer(message, presentationId);
        dimse::freeParsedLists(message);
        if (answered.bad()) {
            endAssociation(answered);
            return;
        }
        if (listener_.stopping()) {
            endAssociation(NET_EC_StopAfterAssociation);
            return;
        }
    }
}

void AssociationThread::endAssociation(const OFCondition& condition)
{
    if (condition == DUL_PEERREQUESTEDRELEASE) {
        notifyReleaseRequest();
        ASC_acknowledgeRelease(association_);
    } else if (condition == DUL_PEERABORTEDASSOCIATION) {
        notifyAbortRequest();
    } else {
        notifyDIMSEError(condition);
        ASC_abortAssociation(association_);
    }
}

// A request that arrives whole after a stop began is not handled: the association is aborted.
// One being handled when the stop comes is answered first.
OFCondition AssociationThread::answer(T_DIMSE_Message& message, T_ASC_PresentationContextID presentationId)
{
    const dimse::RequestInfo request = dimse::describe(message);
    listener_.log(LogCategory::Commands, "Received " + describeRequest(request));
    if (message.CommandField == DIMSE_C_ECHO_RQ) {
        const RequestInProgress inProgress(listener_.connections(), connection_);
        return inProgress.begun() ? handleECHORequest(message.msg.CEchoRQ, presentationId) : EC_Normal;
    }
    RequestData data;
    if (const OFCondition received = receiveRequestData(request, presentationId, data); received.bad())
        return received;
    std::function<void()> afterSent;
    {
        const RequestInProgress inProgress(listener_.connections(), connection_);
        if (!inProgress.begun())
            return EC_Normal;
        const Response response = respond(request, presentationId, std::move(data));
        if (const OFCondition sent = sendResponse(request, presentationId, response); sent.bad())
            return sent;
        afterSent = response.afterSent;
    }
    if (afterSent && !listener_.stopping())
        afterSent();
    return EC_Normal;
}

Response AssociationThread::respond(const dimse::RequestInfo& request, T_ASC_PresentationContextID presentationId,
                                    RequestData data)
{
    if (data.refused)
        return Response{STATUS_N_ProcessingFailure, nullptr, {}};
    DcmPresentationContextInfo context;
    getPresentationContextInfo(association_, presentationId, context);
    return handled(requestOf(request, context.abstractSyntax.c_str(), std::move(data)));
}

Response AssociationThread::handled(const Request& request)
{
    if (!handler_)
        return Response{STATUS_N_ProcessingFailure, nullptr, {}};
    try {
        return handler_->handle(request);
    } catch (...) {
        listener_.log(LogCategory::Errors, "Request handler failed: " + logText(currentErrorInfo().description));
        return Response{STATUS_N_ProcessingFailure, nullptr, {}};
    }
}

OFCondition AssociationThread::receiveRequestData(const dimse::RequestInfo& request,
                                                  T_ASC_PresentationContextID presentationId, RequestData& data)
{
    if (!request.hasDataSet)
        return EC_Normal;
    const std::uint64_t maxBytes = listener_.limits().dataSetBytes;
    ReceivedDataSet received;
    const OFCondition condition = receiveDataSet(*association_, presentationId, getDIMSEBlockingMode(),
                                                 static_cast<int>(getDIMSETimeout()), maxBytes, received);
    if (condition.bad())
        return condition;
    if (received.state != dcm::ReadState::Complete) {
        listener_.log(LogCategory::Errors, "Data set of " + describeRequest(request) + " from " + peer() + " refused: "
                                               + refusalReason(received.state, maxBytes));
        data.tooLarge = received.state == dcm::ReadState::TooLarge;
        data.refused = !data.tooLarge;
        return EC_Normal;
    }
    if (listener_.logs(LogCategory::DataSets))
        listener_.log(LogCategory::DataSets, "Request data set:\n" + dcm::dump(*received.dataset));
    data.dataSet = dcm::toDataSet(*received.dataset);
    return EC_Normal;
}

OFCondition AssociationThread::sendResponse(const dimse::RequestInfo& request,
                                            T_ASC_PresentationContextID presentationId, const Response& response)
{
    std::uint16_t status = response.status;
    std::unique_ptr<DcmDataset> data;
    // An empty data set announced as present cannot be sent (DCMTK refuses it), and an
    // N-DELETE response carries none.
    if (response.dataSet && !response.dataSet->attributes().empty() && request.commandField != DIMSE_N_DELETE_RQ) {
        try {
            data = dcm::toDcmDataset(*response.dataSet);
        } catch (...) {
            listener_.log(LogCategory::Errors, "Response data set cannot be coded: " + logText(currentErrorInfo().description));
            status = STATUS_N_ProcessingFailure;
        }
    }
    const std::string instance = response.dataSet ? response.dataSet->sopInstanceUid() : std::string();
    std::optional<T_DIMSE_Message> message = dimse::responseTo(request, status, data != nullptr, instance);
    if (!message) {
        listener_.log(LogCategory::Errors, "No response can be sent to " + dimse::commandName(request.commandField));
        return DIMSE_BADCOMMANDTYPE;
    }
    listener_.log(LogCategory::Commands, "Sending " + dimse::commandName(message->CommandField) + " (message " +
                                             std::to_string(request.messageId) + ") status " + dimse::hex(status));
    if (data && listener_.logs(LogCategory::DataSets))
        listener_.log(LogCategory::DataSets, "Response data set:\n" + dcm::dump(*data));
    return sendDIMSEMessage(presentationId, &*message, data.get());
}

} // namespace kestrova
