#pragma once
// The print SCU as tests and the load generator use it.

#include "test_film/test_images.h"
#include "print_scu/print_scu.h"
#include "data/sop_classes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrova::test {

// A SOP class the service does not accept (Basic Annotation Box).
inline constexpr const char* NotAcceptedSopClass = "1.2.840.10008.5.1.1.15";

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
