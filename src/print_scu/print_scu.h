#pragma once
// A print SCU: proposes presentation contexts, sends DIMSE-N requests (and C-ECHO) and hands
// back the response it got. kestrova-send-test-film checks printers with it; the tests and
// the load generator drive the service through it.

#include "data/data_set.h"
#include "data/sop_classes.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrova {

enum class TransferSyntax { Any, ExplicitLittleEndian, ImplicitLittleEndian, ExplicitBigEndian };

// DICOM over TLS, with DCMTK's BCP 195 profile.
struct ScuTls {
    // A PEM file, or a folder of them: the printer's certificate must be signed by one of these.
    std::string trustedCertificates;
    // This requester's own certificate and its unencrypted key (PEM), for a printer that asks for
    // one; both empty: none.
    std::string certificate;
    std::string privateKey;
};

struct ScuOptions {
    std::vector<std::string> abstractSyntaxes = {SopClass::BasicGrayscalePrintManagementMeta, SopClass::Printer,
                                                 SopClass::Verification};
    TransferSyntax transferSyntax = TransferSyntax::Any;
    std::string calledAeTitle = "KESTROVA";
    std::string callingAeTitle = "TESTSCU";
    int dimseTimeoutSeconds = 10;
    std::optional<ScuTls> tls; // none: plain DICOM
};

struct ScuResponse {
    bool received = false;
    std::uint16_t commandField = 0;
    std::uint16_t status = 0;
    std::uint16_t messageIdBeingRespondedTo = 0;
    std::string affectedSopClassUid;
    std::string affectedSopInstanceUid;
    DataSetPtr dataSet; // null when the response carried none
};

class PrintScu {
public:
    PrintScu();
    virtual ~PrintScu();
    PrintScu(const PrintScu&) = delete;
    PrintScu& operator=(const PrintScu&) = delete;

    // Opens an association; true when at least one presentation context was accepted.
    bool connect(const std::string& host, int port, const ScuOptions& options = {});
    bool isConnected() const;
    // Requests go on the accepted context of this abstract syntax (by default the first
    // proposed one that was accepted). False when no such context was accepted.
    bool useContext(const std::string& abstractSyntax);
    // The transfer syntax UID of the context in use, "" when there is none.
    std::string contextTransferSyntax() const;

    bool echo();
    ScuResponse nGet(const std::string& classUid, const std::string& instanceUid, const std::vector<Tag>& attributes = {});
    ScuResponse nCreate(const std::string& classUid, const std::string& instanceUid, const DataSetPtr& attributes);
    ScuResponse nSet(const std::string& classUid, const std::string& instanceUid, const DataSetPtr& modifications);
    ScuResponse nAction(const std::string& classUid, const std::string& instanceUid, std::uint16_t actionTypeId = 1);
    ScuResponse nDelete(const std::string& classUid, const std::string& instanceUid);

    bool release();
    void abort();

    std::uint64_t bytesSent() const;
    std::uint16_t lastMessageId() const;
    const std::string& lastError() const;

    class Peer;

protected:
    struct Request {
        const std::string& classUid;
        const std::string& instanceUid;
        DataSetPtr dataSet;
        std::uint16_t typeId; // Action or Event Type ID
        std::vector<Tag> attributes;
    };
    // Sends one request of any command field the DIMSE coder knows. responseTimeoutSeconds:
    // nullopt waits the DIMSE timeout, 0 sends without waiting for a response.
    ScuResponse request(std::uint16_t commandField, const Request& what, std::optional<int> responseTimeoutSeconds);

private:
    ScuResponse receiveResponse(int timeoutSeconds);

    struct TlsLayer;
    std::unique_ptr<TlsLayer> tls_; // outlives the peer whose network uses it
    std::unique_ptr<Peer> peer_;
    std::string context_;
    std::uint16_t nextMessageId_ = 1;
    std::uint16_t lastMessageId_ = 0;
    std::uint64_t bytesSent_ = 0;
    std::string lastError_;
    int dimseTimeoutSeconds_ = 10;
};

} // namespace kestrova
