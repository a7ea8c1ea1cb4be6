#include "network/internal/association_worker.h"

#include "core/errors.h"
#include "data/dcm_convert.h"
#include "network/dicom_log.h"
#include "network/dicom_listener.h"
#include "images/image_memory.h"
#include "network/internal/listener_core.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmnet/dcmtrans.h>
#include <dcmtk/dcmnet/diutil.h>
#include <dcmtk/dcmnet/dul.h>

namespace kestrova {

namespace {

// DCMTK keeps a connection's socket to itself; a stop needs it to cut a blocked read.
// Naming the accessor through a derived class makes the protected member reachable.
struct TransportSocket : DcmTransportConnection {
    static int of(DcmTransportConnection& connection)
    {
        return static_cast<int>((connection.*&TransportSocket::getSocket)());
    }
};

int socketOf(T_ASC_Association* association)
{
    DcmTransportConnection* connection = DUL_getTransportConnection(association->DULassociation);
    return connection ? TransportSocket::of(*connection) : -1;
}

std::string describeRequest(const dimse::RequestInfo& request)
{
    std::string text = dimse::commandName(request.commandField) + " (message " + std::to_string(request.messageId) + ")";
    if (!request.sopClassUid.empty())
        text += " class " + request.sopClassUid;
    if (!request.sopInstanceUid.empty())
        text += " instance " + request.sopInstanceUid;
    return text;
}

} // namespace

void dropAndDestroy(T_ASC_Association* association)
{
    if (association == nullptr)
        return;
    ASC_dropAssociation(association);
    ASC_destroyAssociation(&association);
}

AssociationWorker::AssociationWorker(std::shared_ptr<ListenerCore> core)
    : core_(std::move(core))
{
}

AssociationWorker::~AssociationWorker() = default;

OFCondition AssociationWorker::run(T_ASC_Association* association)
{
    association_ = association;
    const int socket = socketOf(association);
    if (!core_->registerSocket(socket)) {
        // Accepted by TCP while the listener was being stopped.
        ASC_abortAssociation(association);
        dropAndDestroy(association);
        return EC_Normal;
    }
    const OFCondition result = DcmThreadSCP::run(association);
    core_->unregisterSocket(socket);
    return result;
}

std::string AssociationWorker::peer() const { return callingAeTitle_ + " at " + peerHost_; }

void AssociationWorker::notifyAssociationRequest(const T_ASC_Parameters& params, DcmSCPActionType& desiredAction)
{
    DcmThreadSCP::notifyAssociationRequest(params, desiredAction);
    callingAeTitle_ = params.DULparams.callingAPTitle;
    peerHost_ = params.DULparams.callingPresentationAddress;
    core_->log(LogCategory::Associations,
               "Association request from " + peer() + " to " + params.DULparams.calledAPTitle);
}

void AssociationWorker::notifyAssociationAcknowledge()
{
    core_->log(LogCategory::Associations, "Association accepted from " + peer());
    connection_ = std::make_shared<Connection>(callingAeTitle_, peerHost_);
    core_->deliver([connection = connection_](ConnectionHandler& handler) { handler.associationStarted(*connection); });
}

void AssociationWorker::notifyReleaseRequest()
{
    core_->log(LogCategory::Associations, "Association released by " + peer());
}

void AssociationWorker::notifyAbortRequest()
{
    core_->log(LogCategory::Associations, "Association aborted by " + peer());
}

void AssociationWorker::notifyDIMSEError(const OFCondition& condition)
{
    if (core_->stopping())
        core_->log(LogCategory::Associations, "Association with " + peer() + " ended by the listener's stop");
    else
        core_->log(LogCategory::Errors, "Association with " + peer() + " lost: " + condition.text());
}

void AssociationWorker::notifyAssociationTermination()
{
    if (!connection_)
        return; // refused or never acknowledged: the handler never heard of it
    core_->log(LogCategory::Associations, "Association with " + peer() + " ended");
    core_->deliver([connection = connection_](ConnectionHandler& handler) { handler.associationEnded(*connection); });
    connection_.reset();
    // Costs the next association the page faults of its first film (about 40 ms for a job of
    // four default images), against holding the heap's high-water mark for good.
    returnFreePixelBuffers();
}

// DcmSCP's own loop gives no command set and ends the association on every command it
// does not answer itself; this one hands each request to the handler.
void AssociationWorker::handleAssociation()
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
        const OFCondition handled = handleCommand(message, presentationId, *commandSet);
        dimse::freeParsedLists(message);
        if (handled.bad()) {
            endAssociation(handled);
            return;
        }
        if (core_->stopping()) {
            ASC_abortAssociation(association_);
            return;
        }
    }
}

void AssociationWorker::endAssociation(const OFCondition& condition)
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

OFCondition AssociationWorker::handleCommand(T_DIMSE_Message& message, T_ASC_PresentationContextID presentationId,
                                             DcmDataset& commandSet)
{
    DcmPresentationContextInfo context;
    getPresentationContextInfo(association_, presentationId, context);
    const dimse::RequestInfo request = dimse::describe(message);
    core_->log(LogCategory::Commands, "Received " + describeRequest(request));
    if (message.CommandField == DIMSE_C_ECHO_RQ)
        return handleECHORequest(message.msg.CEchoRQ, presentationId);

    DataSetPtr data;
    if (const OFCondition received = receiveRequestData(request, presentationId, data); received.bad())
        return received;
    connection_->beginRequest(*dcm::toDataSet(commandSet), std::move(data), context.abstractSyntax.c_str());
    core_->deliver([connection = connection_](ConnectionHandler& handler) { handler.handleRequest(*connection); });
    if (const Connection::ScheduledWork work = connection_->takeAssociationWork(Connection::WorkTiming::BeforeResponse);
        work.work)
        runAssociationWork(work);
    const Connection::ScheduledWork later = connection_->takeAssociationWork(Connection::WorkTiming::AfterResponse);
    if (core_->stopping())
        return EC_Normal;
    // A requester left without an answer would wait until its own timeout.
    if (!connection_->response()) {
        core_->log(LogCategory::Errors, "No response to " + dimse::commandName(request.commandField));
        return DIMSE_BADCOMMANDTYPE;
    }
    const OFCondition sent = sendResponse(request, presentationId, *connection_->response());
    if (sent.good() && later.work)
        runAssociationWork(later);
    return sent;
}

void AssociationWorker::runAssociationWork(const Connection::ScheduledWork& work)
{
    Connection::UiFollowUp followUp;
    try {
        const ListenerCore::WorkSlot slot(*core_, work.kind);
        followUp = work.work(*connection_);
    } catch (...) {
        core_->log(LogCategory::Errors, "Request work failed: " + currentErrorInfo().description);
        connection_->respondStatusOnly(STATUS_N_ProcessingFailure); // if still unanswered
        return;
    }
    if (followUp)
        core_->deliver([followUp](ConnectionHandler&) { followUp(); });
}

OFCondition AssociationWorker::receiveRequestData(const dimse::RequestInfo& request,
                                                  T_ASC_PresentationContextID presentationId, DataSetPtr& data)
{
    if (!request.hasDataSet)
        return EC_Normal;
    DcmDataset* raw = nullptr;
    const OFCondition received = receiveDIMSEDataset(&presentationId, &raw);
    const std::unique_ptr<DcmDataset> dataset(raw);
    if (received.bad())
        return received;
    if (core_->logs(LogCategory::DataSets))
        core_->log(LogCategory::DataSets, "Request data set:\n" + dcm::dump(*dataset));
    data = dcm::toDataSet(*dataset);
    return EC_Normal;
}

OFCondition AssociationWorker::sendResponse(const dimse::RequestInfo& request,
                                            T_ASC_PresentationContextID presentationId, const PendingResponse& response)
{
    std::uint16_t status = response.status;
    std::unique_ptr<DcmDataset> data;
    // An empty data set announced as present cannot be sent (DCMTK refuses it), and an
    // N-DELETE response carries none.
    if (response.dataSet && !response.dataSet->attributes().empty() && request.commandField != DIMSE_N_DELETE_RQ) {
        try {
            data = dcm::toDcmDataset(*response.dataSet);
        } catch (...) {
            core_->log(LogCategory::Errors, "Response data set cannot be coded: " + currentErrorInfo().description);
            status = STATUS_N_ProcessingFailure;
        }
    }
    const std::string instance = response.dataSet ? response.dataSet->sopInstanceUid() : std::string();
    std::optional<T_DIMSE_Message> message = dimse::responseTo(request, status, data != nullptr, instance);
    if (!message) {
        core_->log(LogCategory::Errors, "No response can be sent to " + dimse::commandName(request.commandField));
        return DIMSE_BADCOMMANDTYPE;
    }
    core_->log(LogCategory::Commands, "Sending " + dimse::commandName(message->CommandField) + " (message " +
                                          std::to_string(request.messageId) + ") status " + dimse::hex(status));
    if (data && core_->logs(LogCategory::DataSets))
        core_->log(LogCategory::DataSets, "Response data set:\n" + dcm::dump(*data));
    return sendDIMSEMessage(presentationId, &*message, data.get());
}

} // namespace kestrova
