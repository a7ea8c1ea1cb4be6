#pragma once
// DICOM over TLS on the listener's second port. DCMTK's TLS layer holds the server's certificate
// and key, the trusted certificates, whether a peer must present a certificate, and the BCP 195
// profile. DCMTK would make the handshake, and read the association request, inside the one call
// that holds the process-wide hand-over lock (acceptor_network.h), where a peer that sends its
// handshake slowly, or not at all, would hold up every other connection. So both are done here,
// on the connection's own thread and within its deadline, and DCMTK gets a connection whose
// handshake is over and whose association request has been read already. Internal.
//
// Threads: made and destroyed on the owner's thread; secure() from any connection's thread, on
// its own connection (the TLS context is only read once set up).

#include "core/configuration.h"
#include "network/internal/request_arrival.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/dcmtrans.h>
#include <dcmtk/dcmtls/tlslayer.h>

#include <chrono>
#include <memory>
#include <string>

namespace kestrova {

class Socket;

class TlsAcceptor {
public:
    explicit TlsAcceptor(const TlsSettings& settings);
    TlsAcceptor(const TlsAcceptor&) = delete;
    TlsAcceptor& operator=(const TlsAcceptor&) = delete;

    // What is wrong with the settings (a file that cannot be read, a key that does not match its
    // certificate); empty when the port can take TLS connections.
    const std::string& problem() const { return problem_; }

    struct Secured {
        Arrival arrival = Arrival::TlsFailed;
        // Why the handshake failed, when it did.
        std::string failure;
        // The connection, with its socket, when the whole association request arrived.
        std::unique_ptr<DcmTransportConnection> connection;
    };
    // Makes the TLS handshake on a connection just accepted and reads its association request,
    // both by the deadline.
    Secured secure(Socket connection, std::chrono::steady_clock::time_point deadline) const;

private:
    DcmTLSTransportLayer layer_{NET_ACCEPTOR, nullptr, OFTrue};
    SSL_CTX* const context_ = layer_.getNativeHandle();
    const std::string problem_;
};

} // namespace kestrova
