#pragma once
// A print SCU for tests and the load generator: proposes presentation contexts, sends any
// DIMSE-N request (or a raw command field) and hands back the response it got.

#include "toolkit/data_set.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrova::test {

namespace uid {
inline constexpr const char* Verification = "1.2.840.10008.1.1";
inline constexpr const char* GrayscaleMeta = "1.2.840.10008.5.1.1.9";
inline constexpr const char* ColorMeta = "1.2.840.10008.5.1.1.18";
inline constexpr const char* Printer = "1.2.840.10008.5.1.1.16";
inline constexpr const char* PrinterInstance = "1.2.840.10008.5.1.1.17";
inline constexpr const char* PresentationLut = "1.2.840.10008.5.1.1.23";
inline constexpr const char* FilmSession = "1.2.840.10008.5.1.1.1";
inline constexpr const char* FilmBox = "1.2.840.10008.5.1.1.2";
inline constexpr const char* GrayscaleImageBox = "1.2.840.10008.5.1.1.4";
inline constexpr const char* ColorImageBox = "1.2.840.10008.5.1.1.4.1";
inline constexpr const char* BasicAnnotationBox = "1.2.840.10008.5.1.1.15";
} // namespace uid

enum class TransferSyntax { Any, ExplicitLittleEndian, ImplicitLittleEndian, ExplicitBigEndian };

struct ConnectOptions {
    std::vector<std::string> abstractSyntaxes = {uid::GrayscaleMeta, uid::Printer, uid::Verification};
    TransferSyntax transferSyntax = TransferSyntax::Any;
    std::string calledAeTitle = "KESTROVA";
    std::string callingAeTitle = "TESTSCU";
    int dimseTimeoutSeconds = 10;
};

struct Response {
    bool received = false;
    std::uint16_t commandField = 0;
    std::uint16_t status = 0;
    std::uint16_t messageIdBeingRespondedTo = 0;
    std::string affectedSopClassUid;
    std::string affectedSopInstanceUid;
    DataSetPtr dataSet; // null when the response carried none
};

class TestScu {
public:
    TestScu();
    ~TestScu();
    TestScu(const TestScu&) = delete;
    TestScu& operator=(const TestScu&) = delete;

    // Opens an association; true when at least one presentation context was accepted.
    bool connect(const std::string& host, int port, const ConnectOptions& options = {});
    bool isConnected() const;
    // Requests go on the accepted context of this abstract syntax (by default the first
    // proposed one that was accepted). False when no such context was accepted.
    bool useContext(const std::string& abstractSyntax);
    // The transfer syntax UID of the context in use, "" when there is none.
    std::string contextTransferSyntax() const;

    bool echo();
    Response nGet(const std::string& classUid, const std::string& instanceUid, const std::vector<Tag>& attributes = {});
    Response nCreate(const std::string& classUid, const std::string& instanceUid, const DataSetPtr& attributes);
    Response nSet(const std::string& classUid, const std::string& instanceUid, const DataSetPtr& modifications);
    Response nAction(const std::string& classUid, const std::string& instanceUid, std::uint16_t actionTypeId = 1);
    Response nDelete(const std::string& classUid, const std::string& instanceUid);
    // Any command field the DIMSE coder knows. responseTimeoutSeconds: nullopt waits the
    // DIMSE timeout, 0 sends without waiting for a response.
    Response sendCommand(std::uint16_t commandField, const std::string& classUid, const std::string& instanceUid,
                         const DataSetPtr& dataSet, std::optional<int> responseTimeoutSeconds = std::nullopt);

    bool release();
    void abort();

    std::uint64_t bytesSent() const;
    std::uint16_t lastMessageId() const;
    const std::string& lastError() const;

    class Peer;

private:
    struct Request {
        const std::string& classUid;
        const std::string& instanceUid;
        DataSetPtr dataSet;
        std::uint16_t typeId;
        std::vector<Tag> attributes;
    };
    Response request(std::uint16_t commandField, const Request& what, std::optional<int> responseTimeoutSeconds);
    Response receiveResponse(int timeoutSeconds);

    std::unique_ptr<Peer> peer_;
    std::string context_;
    std::uint16_t nextMessageId_ = 1;
    std::uint16_t lastMessageId_ = 0;
    std::uint64_t bytesSent_ = 0;
    std::string lastError_;
    int dimseTimeoutSeconds_ = 10;
};

// Test images: the Image Pixel module of an image box's image sequence item.
enum class Photometric { Monochrome1, Monochrome2, RgbInterleaved, RgbPlanar };

struct ImageSpec {
    int rows = 4;
    int columns = 4;
    int bitsStored = 8; // 8, 12 or 16; more than 8 is coded in 16 bits (OW)
    Photometric photometric = Photometric::Monochrome2;
    // The stored value of a pixel's sample (0 for monochrome, 0..2 for RGB).
    std::function<std::uint16_t(int row, int column, int sample)> pixel = [](int, int, int) { return 0; };
    std::string pixelAspectRatio; // "V\H", left out when empty
};

DataSetPtr makeImage(const ImageSpec& imageSpec);
// The N-SET modification list of an image box: Image Box Position and the image wrapped
// in a Basic Grayscale or (for RGB) Basic Color Image Sequence.
DataSetPtr makeImageBoxModification(const ImageSpec& imageSpec, int imageBoxPosition = 1);

} // namespace kestrova::test
