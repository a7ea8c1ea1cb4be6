#pragma once
// One association, served on the thread the accept loop started for it. Internal.

#include "network/connection.h"
#include "network/internal/dimse_messages.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/scpthrd.h>

#include <memory>
#include <string>

namespace kestrova {

class ListenerCore;

// Closes the association's connection and frees it; null does nothing.
void dropAndDestroy(T_ASC_Association* association);

class AssociationWorker : public DcmThreadSCP {
public:
    explicit AssociationWorker(std::shared_ptr<ListenerCore> core);
    ~AssociationWorker() override;

    // Negotiates, serves and finally drops and frees the association.
    OFCondition run(T_ASC_Association* association) override;

protected:
    void notifyAssociationRequest(const T_ASC_Parameters& params, DcmSCPActionType& desiredAction) override;
    void notifyAssociationAcknowledge() override;
    void notifyReleaseRequest() override;
    void notifyAbortRequest() override;
    void notifyDIMSEError(const OFCondition& condition) override;
    void notifyAssociationTermination() override;
    void handleAssociation() override;

private:
    OFCondition handleCommand(T_DIMSE_Message& message, T_ASC_PresentationContextID presentationId,
                              DcmDataset& commandSet);
    void runAssociationWork(const Connection::ScheduledWork& work);
    OFCondition receiveRequestData(const dimse::RequestInfo& request, T_ASC_PresentationContextID presentationId,
                                   DataSetPtr& data);
    OFCondition sendResponse(const dimse::RequestInfo& request, T_ASC_PresentationContextID presentationId,
                             const PendingResponse& response);
    void endAssociation(const OFCondition& condition);
    std::string peer() const;

    std::shared_ptr<ListenerCore> core_;
    T_ASC_Association* association_ = nullptr;
    std::string callingAeTitle_;
    std::string peerHost_;
    // Shared with the calls handed to the UI thread: what they reach never lives on this
    // thread's stack.
    std::shared_ptr<Connection> connection_;
};

} // namespace kestrova
