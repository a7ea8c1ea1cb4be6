#pragma once
// The listener's connections acknowledge what they receive at once. Many requesters write a
// message's command and its data set in separate small writes with Nagle's algorithm on: the
// second write waits for the acknowledgement of the first, and a receiver that delays its
// acknowledgements (Linux does, by 40 ms) would hold every request up that long. Internal.

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/dcmlayer.h>
#include <dcmtk/dcmnet/dcmtrans.h>

namespace kestrova {

// Asks the system to acknowledge what the socket received at once; the TLS connections of the
// listener call it after every read too.
void acknowledgePromptly(DcmNativeSocketType socket);

// A plain TCP connection that asks the system, after every read, to acknowledge at once.
class PromptAckConnection : public DcmTCPConnection {
public:
    explicit PromptAckConnection(DcmNativeSocketType openSocket) : DcmTCPConnection(openSocket) {}
    ssize_t read(void* buffer, size_t bytes) override;
};

// Makes PromptAckConnections; a secure layer is not offered.
class PromptAckTransportLayer : public DcmTransportLayer {
public:
    DcmTransportConnection* createConnection(DcmNativeSocketType openSocket, OFBool useSecureLayer) override;
};

} // namespace kestrova
