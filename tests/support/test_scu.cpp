#include "support/test_scu.h"

#include "toolkit/command_tags.h"
#include "toolkit/dcm_convert.h"
#include "toolkit/image_tags.h"
#include "toolkit/print_tags.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/scu.h>
#include <dcmtk/ofstd/ofstd.h>

#include <cstring>
#include <utility>

namespace kestrova::test {

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
        m.msg.NGetRQ.MessageID = p.messageId;
        copyUid(m.msg.NGetRQ.RequestedSOPClassUID, p.classUid);
        copyUid(m.msg.NGetRQ.RequestedSOPInstanceUID, p.instanceUid);
        m.msg.NGetRQ.DataSetType = DIMSE_DATASET_NULL;
        if (p.attributeList && !p.attributeList->empty()) {
            m.msg.NGetRQ.ListCount = static_cast<int>(p.attributeList->size());
            m.msg.NGetRQ.AttributeIdentifierList = p.attributeList->data();
        }
        return true;
    case DIMSE_N_SET_RQ:
        m.msg.NSetRQ.MessageID = p.messageId;
        copyUid(m.msg.NSetRQ.RequestedSOPClassUID, p.classUid);
        copyUid(m.msg.NSetRQ.RequestedSOPInstanceUID, p.instanceUid);
        m.msg.NSetRQ.DataSetType = type;
        return true;
    case DIMSE_N_ACTION_RQ:
        m.msg.NActionRQ.MessageID = p.messageId;
        copyUid(m.msg.NActionRQ.RequestedSOPClassUID, p.classUid);
        copyUid(m.msg.NActionRQ.RequestedSOPInstanceUID, p.instanceUid);
        m.msg.NActionRQ.ActionTypeID = p.typeId;
        m.msg.NActionRQ.DataSetType = type;
        return true;
    case DIMSE_N_CREATE_RQ:
        m.msg.NCreateRQ.MessageID = p.messageId;
        copyUid(m.msg.NCreateRQ.AffectedSOPClassUID, p.classUid);
        copyUid(m.msg.NCreateRQ.AffectedSOPInstanceUID, p.instanceUid);
        m.msg.NCreateRQ.DataSetType = type;
        m.msg.NCreateRQ.opts = p.instanceUid.empty() ? 0 : O_NCREATE_AFFECTEDSOPINSTANCEUID;
        return true;
    case DIMSE_N_DELETE_RQ:
        m.msg.NDeleteRQ.MessageID = p.messageId;
        copyUid(m.msg.NDeleteRQ.RequestedSOPClassUID, p.classUid);
        copyUid(m.msg.NDeleteRQ.RequestedSOPInstanceUID, p.instanceUid);
        m.msg.NDeleteRQ.DataSetType = DIMSE_DATASET_NULL;
        return true;
    case DIMSE_N_EVENT_REPORT_RQ:
        m.msg.NEventReportRQ.MessageID = p.messageId;
        copyUid(m.msg.NEventReportRQ.AffectedSOPClassUID, p.classUid);
        copyUid(m.msg.NEventReportRQ.AffectedSOPInstanceUID, p.instanceUid);
        m.msg.NEventReportRQ.EventTypeID = p.typeId;
        m.msg.NEventReportRQ.DataSetType = type;
        return true;
    default: return false;
    }
}

} // namespace

class TestScu::Peer : public DcmSCU {
public:
    using DcmSCU::findPresentationContext;
    using DcmSCU::receiveDIMSECommand;
    using DcmSCU::receiveDIMSEDataset;
    using DcmSCU::sendDIMSEMessage;

    unsigned long takeProgress() { return std::exchange(progress_, 0); }

protected:
    void notifySENDProgress(const unsigned long byteCount) override { progress_ = byteCount; }

private:
    unsigned long progress_ = 0;
};

TestScu::TestScu() = default;

TestScu::~TestScu()
{
    if (isConnected())
        abort();
}

bool TestScu::connect(const std::string& host, int port, const ConnectOptions& options)
{
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

bool TestScu::isConnected() const { return peer_ && peer_->isConnected(); }

bool TestScu::useContext(const std::string& abstractSyntax)
{
    if (!isConnected() || peer_->findPresentationContextID(abstractSyntax.c_str(), "") == 0)
        return false;
    context_ = abstractSyntax;
    return true;
}

std::string TestScu::contextTransferSyntax() const
{
    if (!isConnected() || context_.empty())
        return {};
    OFString abstractSyntax;
    OFString transferSyntax;
    peer_->findPresentationContext(peer_->findPresentationContextID(context_.c_str(), ""), abstractSyntax, transferSyntax);
    return transferSyntax.c_str();
}

bool TestScu::echo()
{
    const Response response = sendCommand(DIMSE_C_ECHO_RQ, uid::Verification, "", nullptr);
    return response.received && response.status == 0;
}

Response TestScu::nGet(const std::string& classUid, const std::string& instanceUid, const std::vector<Tag>& attributes)
{
    return request(DIMSE_N_GET_RQ, {classUid, instanceUid, nullptr, 0, attributes}, std::nullopt);
}

Response TestScu::nCreate(const std::string& classUid, const std::string& instanceUid, const DataSetPtr& attributes)
{
    return request(DIMSE_N_CREATE_RQ, {classUid, instanceUid, attributes, 0, {}}, std::nullopt);
}

Response TestScu::nSet(const std::string& classUid, const std::string& instanceUid, const DataSetPtr& modifications)
{
    return request(DIMSE_N_SET_RQ, {classUid, instanceUid, modifications, 0, {}}, std::nullopt);
}

Response TestScu::nAction(const std::string& classUid, const std::string& instanceUid, std::uint16_t actionTypeId)
{
    return request(DIMSE_N_ACTION_RQ, {classUid, instanceUid, nullptr, actionTypeId, {}}, std::nullopt);
}

Response TestScu::nDelete(const std::string& classUid, const std::string& instanceUid)
{
    return request(DIMSE_N_DELETE_RQ, {classUid, instanceUid, nullptr, 0, {}}, std::nullopt);
}

Response TestScu::sendCommand(std::uint16_t commandField, const std::string& classUid, const std::string& instanceUid,
                              const DataSetPtr& dataSet, std::optional<int> responseTimeoutSeconds)
{
    return request(commandField, {classUid, instanceUid, dataSet, 1, {}}, responseTimeoutSeconds);
}

Response TestScu::request(std::uint16_t commandField, const Request& what, std::optional<int> responseTimeoutSeconds)
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

Response TestScu::receiveResponse(int timeoutSeconds)
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
    Response response;
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

bool TestScu::release()
{
    if (!isConnected())
        return false;
    const OFCondition result = peer_->releaseAssociation();
    if (result.bad())
        lastError_ = result.text();
    return result.good();
}

void TestScu::abort()
{
    if (isConnected())
        peer_->abortAssociation();
}

std::uint64_t TestScu::bytesSent() const { return bytesSent_; }

std::uint16_t TestScu::lastMessageId() const { return lastMessageId_; }

const std::string& TestScu::lastError() const { return lastError_; }

namespace {

bool isColor(Photometric photometric)
{
    return photometric == Photometric::RgbInterleaved || photometric == Photometric::RgbPlanar;
}

const char* photometricName(Photometric photometric)
{
    switch (photometric) {
    case Photometric::Monochrome1: return "MONOCHROME1";
    case Photometric::Monochrome2: return "MONOCHROME2";
    default: return "RGB";
    }
}

// Samples in stored order: interleaved R G B per pixel, or planes of R, G and B.
std::vector<std::uint16_t> samplesOf(const ImageSpec& imageSpec)
{
    const int samples = isColor(imageSpec.photometric) ? 3 : 1;
    std::vector<std::uint16_t> values;
    values.reserve(static_cast<std::size_t>(imageSpec.rows) * imageSpec.columns * samples);
    if (imageSpec.photometric == Photometric::RgbPlanar) {
        for (int s = 0; s < samples; ++s)
            for (int r = 0; r < imageSpec.rows; ++r)
                for (int c = 0; c < imageSpec.columns; ++c)
                    values.push_back(imageSpec.pixel(r, c, s));
    } else {
        for (int r = 0; r < imageSpec.rows; ++r)
            for (int c = 0; c < imageSpec.columns; ++c)
                for (int s = 0; s < samples; ++s)
                    values.push_back(imageSpec.pixel(r, c, s));
    }
    return values;
}

Bytes pixelBytes(const std::vector<std::uint16_t>& samples, int bitsAllocated)
{
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    if (bitsAllocated == 8) {
        bytes->reserve(samples.size() + 1);
        for (const std::uint16_t sample : samples)
            bytes->push_back(static_cast<std::uint8_t>(sample));
        if (bytes->size() % 2 != 0)
            bytes->push_back(0); // DICOM values have even length
    } else {
        bytes->resize(samples.size() * 2);
        std::memcpy(bytes->data(), samples.data(), bytes->size()); // host order, as DCMTK holds OW
    }
    return bytes;
}

Numbers number(int value) { return Numbers{static_cast<double>(value)}; }

} // namespace

DataSetPtr makeImage(const ImageSpec& imageSpec)
{
    const bool color = isColor(imageSpec.photometric);
    const int bitsAllocated = imageSpec.bitsStored > 8 ? 16 : 8;
    auto image = std::make_shared<DataSet>();
    image->add(Attribute(ImageTag::SamplesPerPixel, "US", number(color ? 3 : 1)));
    image->add(Attribute(ImageTag::PhotometricInterpretation, "CS", std::string(photometricName(imageSpec.photometric))));
    if (color)
        image->add(Attribute(ImageTag::PlanarConfiguration, "US", number(imageSpec.photometric == Photometric::RgbPlanar ? 1 : 0)));
    image->add(Attribute(ImageTag::Rows, "US", number(imageSpec.rows)));
    image->add(Attribute(ImageTag::Columns, "US", number(imageSpec.columns)));
    if (!imageSpec.pixelAspectRatio.empty())
        image->add(Attribute(ImageTag::PixelAspectRatio, "IS", imageSpec.pixelAspectRatio));
    image->add(Attribute(ImageTag::BitsAllocated, "US", number(bitsAllocated)));
    image->add(Attribute(ImageTag::BitsStored, "US", number(imageSpec.bitsStored)));
    image->add(Attribute(ImageTag::HighBit, "US", number(imageSpec.bitsStored - 1)));
    image->add(Attribute(ImageTag::PixelRepresentation, "US", number(0)));
    image->add(Attribute(ImageTag::PixelData, bitsAllocated == 8 ? "OB" : "OW", pixelBytes(samplesOf(imageSpec), bitsAllocated)));
    return image;
}

DataSetPtr makeImageBoxModification(const ImageSpec& imageSpec, int imageBoxPosition)
{
    auto sequence = makeCollection();
    sequence->add(makeImage(imageSpec));
    auto modification = std::make_shared<DataSet>();
    modification->add(Attribute(PrintTag::ImageBoxPosition, "US", number(imageBoxPosition)));
    modification->add(Attribute(isColor(imageSpec.photometric) ? PrintTag::BasicColorImageSequence : PrintTag::BasicGrayscaleImageSequence, "SQ",
                                sequence));
    return modification;
}

} // namespace kestrova::test
