#pragma once
// The print SCU as tests and the load generator use it, with the UIDs they name.

#include "test_film/test_images.h"
#include "toolkit/print_scu.h"

#include <cstdint>
#include <optional>
#include <string>

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

using kestrova::TransferSyntax;
using ConnectOptions = ScuOptions;
using Response = ScuResponse;
using kestrova::ImageSpec;
using kestrova::Photometric;
using kestrova::makeImage;
using kestrova::makeImageBoxModification;

// The product's print SCU, plus what only tests do: send any command field, also one the
// service must refuse, with or without waiting for an answer.
class TestScu : public PrintScu {
public:
    // responseTimeoutSeconds: nullopt waits the DIMSE timeout, 0 sends without waiting.
    Response sendCommand(std::uint16_t commandField, const std::string& classUid, const std::string& instanceUid,
                         const DataSetPtr& dataSet, std::optional<int> responseTimeoutSeconds = std::nullopt)
    {
        return request(commandField, {classUid, instanceUid, dataSet, 1, {}}, responseTimeoutSeconds);
    }
};

} // namespace kestrova::test
