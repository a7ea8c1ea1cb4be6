#pragma once
// Whether a TCP port is free to listen on, and whether some socket listens on it.
// Internal to the listener, which has no other way to see that DCMTK's accept loop is up.

namespace kestrova::port_probe {

// No socket on this host listens on the port (nor holds it exclusively).
bool isFree(int port);

} // namespace kestrova::port_probe
