#pragma once
// A DICOM peer that speaks raw PDUs over loopback, so that fault tests can send what no
// well-behaved toolkit would: garbage, cut-short PDUs, lying lengths, silence.
// Only upper-layer framing is coded here; command and data sets are written by DCMTK.

#include "data/data_set.h"

#include <QTcpSocket>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrova::test {

using RawBytes = std::vector<std::uint8_t>;

namespace PduType {
inline constexpr std::uint8_t AssociateRq = 0x01;
inline constexpr std::uint8_t AssociateAc = 0x02;
inline constexpr std::uint8_t AssociateRj = 0x03;
inline constexpr std::uint8_t PData = 0x04;
inline constexpr std::uint8_t Abort = 0x07;
} // namespace PduType

struct Pdu {
    std::uint8_t type = 0;
    RawBytes body;
};

// A-ASSOCIATE-RQ proposing one presentation context (id 1) in implicit VR little endian. AE
// titles are padded with spaces to 16 bytes, whatever they hold.
RawBytes associateRequest(const std::string& abstractSyntax, const std::string& calledAeTitle = "KESTROVA",
                          const std::string& callingAeTitle = "RAWPEER");
// P-DATA-TF carrying one PDV on presentation context 1.
RawBytes pDataPdu(bool command, bool last, const RawBytes& fragment);
// A data set or command set in implicit VR little endian; group lengths it holds are counted.
RawBytes implicitLittleEndian(const DataSet& dataSet);
// A DIMSE-N command set (message ID 1), as every requester codes it.
RawBytes commandSet(std::uint16_t commandField, const std::string& classUid, const std::string& instanceUid,
                    bool withDataSet);

// Lives on one thread (a peer thread of runPeer); every wait is bounded.
class RawPeer {
public:
    bool connect(int port);
    bool send(const RawBytes& bytes);
    // The next PDU, or nullopt when the connection closed or nothing came within the limit.
    std::optional<Pdu> receive(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Sends the request and reads the answer: the PDU type it got (0 for none).
    std::uint8_t associate(const std::string& abstractSyntax);
    // True when the service closed the connection within the limit; whatever it sends
    // before (an A-ABORT for instance) is read and dropped.
    bool waitForClose(std::chrono::milliseconds limit);
    void close();

private:
    bool readExactly(RawBytes& into, std::size_t count, std::chrono::steady_clock::time_point deadline);

    QTcpSocket socket_;
};

} // namespace kestrova::test
