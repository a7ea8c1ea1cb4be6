#pragma once
// The listening socket and the threads of the associations accepted on it. Internal.
//
// DCMTK's own thread pool starts a worker's thread outside its lock, and the worker deletes
// itself from that thread when its association ends: an association that is over before
// the start call returns (a port monitor's probe, a refused negotiation, an echo) makes the
// pool write into a freed worker, and the heap is corrupt. Here the accept thread owns each
// association's thread and is the only one to join it; nothing deletes itself.

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/assoc.h>
#include <dcmtk/dcmnet/scpcfg.h>

#include <atomic>
#include <list>
#include <memory>
#include <thread>

namespace kestrova {

class ListenerState;

class AcceptLoop {
public:
    AcceptLoop(const DcmSCPConfig& config, int maxAssociations, ListenerState& listener);
    ~AcceptLoop();
    AcceptLoop(const AcceptLoop&) = delete;
    AcceptLoop& operator=(const AcceptLoop&) = delete;

    // On the accept thread: listens until the listener stops (seen within a second), then
    // waits for every association's thread. Bad when the port could not be opened.
    OFCondition run();

private:
    struct Served {
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    void admit(T_ASC_Association* association);
    std::size_t joinFinished();
    void joinAll();

    const DcmSCPConfig config_;
    const std::size_t maxAssociations_;
    ListenerState& listener_;
    std::list<Served> served_; // accept thread only
};

} // namespace kestrova
