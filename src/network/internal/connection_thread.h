#pragma once
// One connection's life on its own thread: the wait for its association request (on the TLS port
// the handshake first), the hand-over
// to DCMTK, the refusals that cost no association (a connection without a request, a blank or
// unprintable AE title, no association free, the listener stopping) and then the association.
// Internal.
//
// Threads: runs on the connection's own thread, started by the accept loop.

#include "network/internal/connection_registry.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/scpcfg.h>

namespace kestrova {

class AcceptorNetwork;
class ListenerState;
class Socket;
class TlsAcceptor;

// `id` is the connection's entry in the listener's registry; it is removed when this returns.
// With `tls` the connection is a TLS connection: its handshake comes first.
void serveConnection(Socket connection, ConnectionRegistry::Id id, AcceptorNetwork& network, const TlsAcceptor* tls,
                     const DcmSCPConfig& config, ListenerState& listener);

} // namespace kestrova
