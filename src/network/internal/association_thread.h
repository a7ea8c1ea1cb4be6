#pragma once
// One association, served on its connection's thread: negotiation, then each request read,
// handed to the association's handler and answered with what it returns. While a request is
// handled, a stop waits for its answer (up to StopGrace) and then aborts the association;
// between requests a stop closes its connection at once. Internal.

#include "network/dicom_service.h"
#include "network/internal/connection_registry.h"
#include "network/internal/dimse_messages.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/scpthrd.h>

#include <memory>
#include <string>

namespace kestrova {

class ListenerState;

// A request's data set as received: the data set, or why it is not there.
struct RequestData {
    DataSetPtr dataSet;
    bool tooLarge = false; // over the listener's limit: the handler is told
    bool refused = false;  // unsafe or unreadable: answered 0x0110 without the handler
};

// Closes the association's connection and frees it; null does nothing.
void dropAndDestroy(T_ASC_Association* association);

class AssociationThread : public DcmThreadSCP {
public:
    // `connection` is the association's entry in the listener's registry.
    AssociationThread(ListenerState& listener, ConnectionRegistry::Id connection);
    ~AssociationThread() override;

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
    OFCondition answer(T_DIMSE_Message& message, T_ASC_PresentationContextID presentationId);
    OFCondition receiveRequestData(const dimse::RequestInfo& request, T_ASC_PresentationContextID presentationId,
                                   RequestData& data);
    Response respond(const dimse::RequestInfo& request, T_ASC_PresentationContextID presentationId, RequestData data);
    Response handled(const Request& request);
    OFCondition sendResponse(const dimse::RequestInfo& request, T_ASC_PresentationContextID presentationId,
                             const Response& response);
    void endAssociation(const OFCondition& condition);
    std::string peer() const;

    ListenerState& listener_;
    const ConnectionRegistry::Id connection_;
    T_ASC_Association* association_ = nullptr;
    AssociationInfo info_;
    // Made when the association is accepted; its end is this handler's destruction.
    std::unique_ptr<AssociationHandler> handler_;
};

} // namespace kestrova
