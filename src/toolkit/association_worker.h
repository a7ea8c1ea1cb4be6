#pragma once
// One association on its worker thread, and the DCMTK pool that runs them. Internal.

#include "toolkit/connection.h"
#include "toolkit/dimse_messages.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/scppool.h>
#include <dcmtk/dcmnet/scpthrd.h>

#include <memory>
#include <string>

namespace kestrova {

class ListenerCore;

// DcmSCPPool default-constructs its workers; the pool carries the listening session
// they belong to.
class ViewerPoolBase : public DcmBaseSCPPool {
public:
    void setCore(std::shared_ptr<ListenerCore> core) { core_ = std::move(core); }
    const std::shared_ptr<ListenerCore>& core() const { return core_; }

private:
    std::shared_ptr<ListenerCore> core_;
};

class ViewerWorkerBase : public DcmBaseSCPPool::DcmBaseSCPWorker {
protected:
    explicit ViewerWorkerBase(DcmBaseSCPPool& pool);
    void run() override;
};

class AssociationWorker : public DcmThreadSCP {
public:
    AssociationWorker();
    ~AssociationWorker() override;

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
    std::unique_ptr<Connection> connection_;
};

using ViewerPool = DcmSCPPool<AssociationWorker, ViewerPoolBase, ViewerWorkerBase>;

} // namespace kestrova
