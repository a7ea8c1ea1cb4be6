#pragma once
// How a DICOM TLS layer is set up, the same way by the service and by the print SCU: the PEM
// files it is loaded from and its profile. Each returns what is wrong, naming the file, or
// nothing when all went well.
//
// Threads: a layer is set up on one thread before it is used.

#include <string>

class DcmTLSTransportLayer;

namespace kestrova {

// A certificate and its private key. An encrypted key is refused rather than asked for on a
// terminal that a service does not have.
std::string loadOwnCertificate(DcmTLSTransportLayer& layer, const std::string& certificate,
                               const std::string& privateKey);

// The certificates peers' certificates are checked against: a PEM file, or a folder of them.
std::string loadTrustedCertificates(DcmTLSTransportLayer& layer, const std::string& path);

// The BCP 195 profile (TLS 1.2 or later, its cipher suites) both ends of a connection use.
std::string useBcp195Profile(DcmTLSTransportLayer& layer);

} // namespace kestrova
