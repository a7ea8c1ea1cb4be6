#pragma once
// Waits until a new connection's A-ASSOCIATE-RQ PDU has arrived whole, without reading any of it:
// DCMTK reads and parses it afterwards, in one call that must never wait for the peer (see
// acceptor_network.h). The wait peeks at the PDU header and lets the kernel hold the thread
// until the announced length is there (SO_RCVLOWAT), so a request sent a byte at a time costs one
// sleeping thread, not a core. Internal.
//
// Threads: runs on the connection's own thread.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace kestrova {

class Socket;

// The largest association request taken. A print requester's is well under 2 KB; one proposing
// a hundred presentation contexts stays under 20 KB.
inline constexpr std::uint32_t MaxAssociateRequestLength = 65536;

enum class Arrival {
    Whole,       // the whole PDU is waiting to be read
    Closed,      // the connection ended (by the peer or a cut) before the whole PDU came
    NotARequest, // the first PDU is of another type
    TooLong,     // the PDU announces more than MaxAssociateRequestLength
    TimedOut,    // the deadline passed first
    TlsFailed,   // on the TLS port: the handshake failed or the connection ended in it
};

Arrival waitForAssociateRequest(const Socket& connection, std::chrono::steady_clock::time_point deadline);

// A PDU's header: its type, a reserved byte and the length of what follows.
inline constexpr std::size_t PduHeaderLength = 6;
using PduHeader = std::array<std::uint8_t, PduHeaderLength>;

// What the first header on a connection says of the association request it begins: Whole when it
// is one of at most MaxAssociateRequestLength bytes, `length` then being the bytes after the
// header; NotARequest or TooLong otherwise.
Arrival checkRequestHeader(const PduHeader& header, std::uint32_t& length);

} // namespace kestrova
