#include "print_scu/print_scu.h"

#include "data/command_tags.h"
#include "data/dcm_convert.h"
#include "network/tls_files.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/scu.h>
#include <dcmtk/dcmtls/tlslayer.h>
#include <dcmtk/ofstd/ofstd.h>

#include <cstring>
#include <filesystem>
#include <utility>

namespace kestrova {

namespace {

OFList<OFString> transferSyntaxList(TransferSyntax choice)
{
    OFList<OFString> list;
    switch (choice) {
    case TransferSyntax::ExplicitLittleEndian: list.push_back(UID_LittleEndianExplicitTransferSyntax); break;
    case TransferSyntax::ImplicitLittleEndian: list.push_back(UID_LittleEndianImplicitTransferSyntax); break;
    case TransferSyntax::ExplicitBigEndian: list.push_back(UID_BigEndianExplicitTransferSyntax); break;
    case TransferSyntax::Any:
        list.push_back(UID_LittleEndianExplicitTransferSyntax);
        list.push_back(UID_BigEndianExplicitTransferSyntax);
        list.push_back(UID_LittleEndianImplicitTransferSyntax);
        break;
    }
    return list;
}

void copyUid(DIC_UI& target, const std::string& uid) { OFStandard::strlcpy(target, uid.c_str(), sizeof(DIC_UI)); }

std::uint16_t numberOr0(const DataSet& command, Tag tag)
{
    const Attribute attribute = command.attribute(tag);
    return attribute.exists() && !attribute.isNull() ? static_cast<std::uint16_t>(attribute.asNumber()) : 0;
}

// What a request carries besides its command field.
struct RequestParts {
    std::uint16_t messageId;
    const std::string& classUid;
    const std::string& instanceUid;
    bool withDataSet;
    std::uint16_t typeId; // Action or Event Type ID
    std::vector<DIC_US>* attributeList;
};

// The message ID and the addressed object, in the fields DCMTK names "Requested" for the
// N-GET, N-SET, N-ACTION and N-DELETE requests.
template <typename Request>
void addressRequested(Request& request, const RequestParts& p)
{
    request.MessageID = p.messageId;
    copyUid(request.RequestedSOPClassUID, p.classUid);
    copyUid(request.RequestedSOPInstanceUID, p.instanceUid);
}

// The same for the requests whose fields are named "Affected" (N-CREATE, N-EVENT-REPORT).
template <typename Request>
void addressAffected(Request& request, const RequestParts& p)
{
    request.MessageID = p.messageId;
    copyUid(request.AffectedSOPClassUID, p.classUid);
    copyUid(request.AffectedSOPInstanceUID, p.instanceUid);
}

bool buildRequest(std::uint16_t field, const RequestParts& p, T_DIMSE_Message& m)
{
    std::memset(&m, 0, sizeof m);
    m.CommandField = static_cast<T_DIMSE_Command>(field);
    const T_DIMSE_DataSetType type = p.withDataSet ? DIMSE_DATASET_PRESENT : DIMSE_DATASET_NULL;
    switch (field) {
    case DIMSE_C_ECHO_RQ:
        m.msg.CEchoRQ = {p.messageId, {}, DIMSE_DATASET_NULL};
        copyUid(m.msg.CEchoRQ.AffectedSOPClassUID, p.classUid);
        return true;
    case DIMSE_N_GET_RQ:
        addressRequested(m.msg.NGetRQ, p);
        m.msg.NGetRQ.DataSetType = DIMSE_DATASET_NULL;
        if (p.attributeList && !p.attributeList->empty()) {
            m.msg.NGetRQ.ListCount = static_cast<int>(p.attributeList->size());
            m.msg.NGetRQ.AttributeIdentifierList = p.attributeList->data();
        }
        return true;
    case DIMSE_N_SET_RQ:
        addressRequested(m.msg.NSetRQ, p);
        m.msg.NSetRQ.DataSetType = type;
        return true;
    case DIMSE_N_ACTION_RQ:
        addressRequested(m.msg.NActionRQ, p);
        m.msg.NActionRQ.ActionTypeID = p.typeId;
        m.msg.NActionRQ.DataSetType = type;
        return true;
    case DIMSE_N_CREATE_RQ:
        addressAffected(m.msg.NCreateRQ, p);
        m.msg.NCreateRQ.DataSetType = type;
        m.msg.NCreateRQ.opts = p.instanceUid.empty() ? 0 : O_NCREATE_AFFECTEDSOPINSTANCEUID;
        return true;
    case DIMSE_N_DELETE_RQ:
        addressRequested(m.msg.NDeleteRQ, p);
        m.msg.NDeleteRQ.DataSetType = DIMSE_DATASET_NULL;
        return true;
    case DIMSE_N_EVENT_REPORT_RQ:
        addressAffected(m.msg.NEventReportRQ, p);
        m.msg.NEventReportRQ.EventTypeID = p.typeId;
        m.msg.NEventReportRQ.DataSetType = type;
        return true;
    default: return false;
    }
}

// The requester's own certificate, when it has one; what is wrong, empty when nothing is.
std::string loadRequesterCertificate(DcmTLSTransportLayer& layer, const ScuTls& tls)
{
    if (tls.certificate.empty() && tls.privateKey.empty())
        return {};
    return loadOwnCertificate(layer, tls.certificate, tls.privateKey);
}

// The printer's certificate is always checked: a print job holds patient images.
std::string configureTls(DcmTLSTransportLayer& layer, const ScuTls& tls)
{
    if (tls.trustedCertificates.empty())
        return "TLS needs the trusted certificates to check the printer's certificate against";
    if (std::string problem = loadRequesterCertificate(layer, tls); !problem.empty())
        return problem;
    if (std::string problem = loadTrustedCertificates(layer, tls.trustedCertificates); !problem.empty())
        return problem;
    if (std::string problem = useBcp195Profile(layer); !problem.empty())
        return problem;
    layer.setCertificateVerification(DCV_requireCertificate);
    return {};
}

} // namespace

struct PrintScu::TlsLayer {
    DcmTLSTransportLayer layer{NET_REQUESTOR, nullptr, OFTrue};
};

class PrintScu::Peer : public DcmSCU {
public:
    using DcmSCU::findPresentationContext;
    using DcmSCU::receiveDIMSECommand;
    using DcmSCU::receiveDIMSEDataset;
    using DcmSCU::sendDIMSEMessage;
    using DcmSCU::useSecureConnection;

    unsigned long takeProgress() { return std::exchange(progress_, 0); }

protected:
    void notifySENDProgress(const unsigned long byteCount) override { progress_ = byteCount; }

private:
    unsigned long progress_ = 0;
};

PrintScu::PrintScu() = default;

PrintScu::~PrintScu()
{
    if (isConnected())
        abort();
}

bool PrintScu::connect(const std::string& host, int port, const ScuOptions& options)
{
    peer_.reset();
    tls_.reset();
    peer_ = std::make_unique<Peer>();
    context_.clear();
    dimseTimeoutSeconds_ = options.dimseTimeoutSeconds;
    peer_->setPeerHostName(host.c_str());
    peer_->setPeerPort(static_cast<Uint16>(port));
    peer_->setPeerAETitle(options.calledAeTitle.c_str());
    peer_->setAETitle(options.callingAeTitle.c_str());
    peer_->setDIMSEBlockingMode(DIMSE_NONBLOCKING);
    peer_->setDIMSETimeout(static_cast<Uint32>(options.dimseTimeoutSeconds));
    peer_->setACSETimeout(static_cast<Uint32>(options.dimseTimeoutSeconds));
    peer_->setConnectionTimeout(options.dimseTimeoutSeconds);
    const OFList<OFString> transferSyntaxes = transferSyntaxList(options.transferSyntax);
    for (const std::string& abstractSyntax : options.abstractSyntaxes)
        peer_->addPresentationContext(abstractSyntax.c_str(), transferSyntaxes);
    OFCondition result = peer_->initNetwork();
    if (result.good() && options.tls) {
        tls_ = std::make_unique<TlsLayer>();
        if (const std::string problem = configureTls(tls_->layer, *options.tls); !problem.empty()) {
            lastError_ = problem;
            peer_.reset();
            return false;
        }
        result = peer_->useSecureConnection(&tls_->layer);
    }
    if (result.good())
        result = peer_->negotiateAssociation();
    if (result.bad()) {
        lastError_ = result.text();
        peer_.reset();
        return false;
    }
    for (const std::string& abstractSyntax : options.abstractSyntaxes)
        if (useContext(abstractSyntax))
            break;
    return true;
}

bool PrintScu::isConnected() const { return peer_ && peer_->isConnected(); }

bool PrintScu::useContext(const std::string& abstractSyntax)
{
    if (!isConnected() || peer_->findPresentationContextID(abstractSyntax.c_str(), "") == 0)
        return false;
    context_ = abstractSyntax;
    return true;
}

std::string PrintScu::contextTransferSyntax() const
{
    if (!isConnected() || context_.empty())
        return {};
    OFString abstractSyntax;
    OFString transferSyntax;
    peer_->findPresentationContext(peer_->findPresentationContextID(context_.c_str(), ""), abstractSyntax, transferSyntax);
    return transferSyntax.c_str();
}

bool PrintScu::echo()
{
    const ScuResponse response = request(DIMSE_C_ECHO_RQ, {SopClass::Verification, "", nullptr, 1, {}}, std::nullopt);
    return response.received && response.status == 0;
}

ScuResponse PrintScu::nGet(const std::string& classUid, const std::string& instanceUid, const std::vector<Tag>& attributes)
{
    return request(DIMSE_N_GET_RQ, {classUid, instanceUid, nullptr, 0, attributes}, std::nullopt);
}

ScuResponse PrintScu::nCreate(const std::string& classUid, const std::string& instanceUid, const DataSetPtr& attributes)
{
    return request(DIMSE_N_CREATE_RQ, {classUid, instanceUid, attributes, 0, {}}, std::nullopt);
}

ScuResponse PrintScu::nSet(const std::string& classUid, const std::string& instanceUid, const DataSetPtr& modifications)
{
    return request(DIMSE_N_SET_RQ, {classUid, instanceUid, modifications, 0, {}}, std::nullopt);
}

ScuResponse PrintScu::nAction(const std::string& classUid, const std::string& instanceUid, std::uint16_t actionTypeId)
{
    return request(DIMSE_N_ACTION_RQ, {classUid, instanceUid, nullptr, actionTypeId, {}}, std::nullopt);
}

ScuResponse PrintScu::nDelete(const std::string& classUid, const std::string& instanceUid)
{
    return request(DIMSE_N_DELETE_RQ, {classUid, instanceUid, nullptr, 0, {}}, std::nullopt);
}

ScuResponse PrintScu::request(std::uint16_t commandField, const Request& what, std::optional<int> responseTimeoutSeconds)
{
    if (!isConnected()) {
        lastError_ = "not connected";
        return {};
    }
    std::unique_ptr<DcmDataset> data;
    if (what.dataSet && !what.dataSet->attributes().empty())
        data = dcm::toDcmDataset(*what.dataSet);
    std::vector<DIC_US> attributeList;
    for (const Tag& tag : what.attributes) {
        attributeList.push_back(tag.group);
        attributeList.push_back(tag.element);
    }
    const std::uint16_t messageId = nextMessageId_++;
    T_DIMSE_Message message;
    const RequestParts parts{messageId, what.classUid, what.instanceUid, data != nullptr, what.typeId, &attributeList};
    if (!buildRequest(commandField, parts, message)) {
        lastError_ = "command field the DIMSE coder does not know";
        return {};
    }
    const T_ASC_PresentationContextID context = peer_->findPresentationContextID(context_.c_str(), "");
    peer_->takeProgress();
    const OFCondition sent = peer_->sendDIMSEMessage(context, &message, data.get());
    bytesSent_ += peer_->takeProgress();
    lastMessageId_ = messageId;
    if (sent.bad()) {
        lastError_ = sent.text();
        return {};
    }
    if (responseTimeoutSeconds == 0)
        return {};
    return receiveResponse(responseTimeoutSeconds.value_or(dimseTimeoutSeconds_));
}

ScuResponse PrintScu::receiveResponse(int timeoutSeconds)
{
    T_ASC_PresentationContextID context = 0;
    T_DIMSE_Message message;
    DcmDataset* rawStatusDetail = nullptr;
    DcmDataset* rawCommandSet = nullptr;
    const OFCondition received = peer_->receiveDIMSECommand(&context, &message, &rawStatusDetail, &rawCommandSet,
                                                           static_cast<Uint32>(timeoutSeconds));
    const std::unique_ptr<DcmDataset> statusDetail(rawStatusDetail);
    const std::unique_ptr<DcmDataset> commandSet(rawCommandSet);
    if (received.bad()) {
        lastError_ = received.text();
        return {};
    }
    const DataSetPtr command = dcm::toDataSet(*commandSet);
    ScuResponse response;
    response.received = true;
    response.commandField = numberOr0(*command, CommandTag::CommandField);
    response.status = numberOr0(*command, CommandTag::Status);
    response.messageIdBeingRespondedTo = numberOr0(*command, CommandTag::MessageIdBeingRespondedTo);
    response.affectedSopClassUid = command->attribute(CommandTag::AffectedSopClassUid).textOrEmpty();
    response.affectedSopInstanceUid = command->attribute(CommandTag::AffectedSopInstanceUid).textOrEmpty();
    if (numberOr0(*command, CommandTag::DataSetType) != DIMSE_DATASET_NULL) {
        DcmDataset* rawData = nullptr;
        const OFCondition dataReceived = peer_->receiveDIMSEDataset(&context, &rawData);
        const std::unique_ptr<DcmDataset> data(rawData);
        if (dataReceived.bad()) {
            lastError_ = dataReceived.text();
            response.received = false;
            return response;
        }
        response.dataSet = dcm::toDataSet(*data);
    }
    return response;
}

bool PrintScu::release()
{
    if (!isConnected())
        return false;
    const OFCondition result = peer_->releaseAssociation();
    if (result.bad())
        lastError_ = result.text();
    return result.good();
}

void PrintScu::abort()
{
    if (isConnected())
        peer_->abortAssociation();
}

std::uint64_t PrintScu::bytesSent() const { return bytesSent_; }

std::uint16_t PrintScu::lastMessageId() const { return lastMessageId_; }

const std::string& PrintScu::lastError() const { return lastError_; }

} // namespace kestrova
