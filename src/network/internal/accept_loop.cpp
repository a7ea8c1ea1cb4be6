#include "network/internal/accept_loop.h"

#include "network/dicom_log.h"
#include "network/internal/association_thread.h"
#include "network/internal/listener_state.h"
#include "network/internal/prompt_ack_transport.h"

#include <dcmtk/dcmnet/dul.h>

namespace kestrova {

namespace {

struct NetworkDropper {
    void operator()(T_ASC_Network* network) const { ASC_dropNetwork(&network); }
};
using Network = std::unique_ptr<T_ASC_Network, NetworkDropper>;

void refuse(T_ASC_Association* association, const T_ASC_RejectParameters& rejection)
{
    ASC_rejectAssociation(association, &rejection);
    dropAndDestroy(association);
}

constexpr T_ASC_RejectParameters Busy = {ASC_RESULT_REJECTEDTRANSIENT, ASC_SOURCE_SERVICEPROVIDER_PRESENTATION_RELATED,
                                         ASC_REASON_SP_PRES_LOCALLIMITEXCEEDED};
constexpr T_ASC_RejectParameters NoApplicationContext = {ASC_RESULT_REJECTEDPERMANENT, ASC_SOURCE_SERVICEUSER,
                                                         ASC_REASON_SU_APPCONTEXTNAMENOTSUPPORTED};

// DCMTK's upper layer reports a connection that sent a byte or two and closed (a port
// monitor's `echo > /dev/tcp/host/port`) as a successfully received association request
// with nothing in it. Every real request names its application context.
bool isEmptyRequest(const T_ASC_Association& association)
{
    return association.params == nullptr || association.params->DULparams.applicationContextName[0] == '\0';
}

// The whole life of one association, on its own thread.
void serve(T_ASC_Association* association, const DcmSCPConfig& config, ListenerState& listener)
{
    AssociationThread thread(listener);
    thread.setSharedConfig(DcmSharedSCPConfig(config));
    thread.run(association);
}

} // namespace

AcceptLoop::AcceptLoop(const DcmSCPConfig& config, int maxAssociations, ListenerState& listener)
    : config_(config), maxAssociations_(static_cast<std::size_t>(maxAssociations)), listener_(listener)
{
}

AcceptLoop::~AcceptLoop() { joinAll(); }

OFCondition AcceptLoop::run()
{
    PromptAckTransportLayer transport; // outlives the network that uses it
    T_ASC_Network* rawNetwork = nullptr;
    const OFCondition opened = ASC_initializeNetwork(NET_ACCEPTOR, config_.getPort(),
                                                     static_cast<int>(config_.getACSETimeout()), &rawNetwork);
    if (opened.bad())
        return opened;
    const Network network(rawNetwork);
    const OFCondition layered = ASC_setTransportLayer(network.get(), &transport, 0);
    if (layered.bad())
        return layered;
    while (!listener_.stopping()) {
        // Accepts a connection and reads its association request; gives up after the
        // connection timeout so that a stop is seen.
        T_ASC_Association* association = nullptr;
        const OFCondition received = ASC_receiveAssociation(
            network.get(), &association, static_cast<long>(config_.getMaxReceivePDULength()), nullptr, nullptr,
            OFFalse, config_.getConnectionBlockingMode(), static_cast<int>(config_.getConnectionTimeout()));
        if (received.good()) {
            admit(association);
        } else if (received == DUL_NOASSOCIATIONREQUEST) {
            ASC_destroyAssociation(&association);
        } else {
            listener_.log(LogCategory::Associations, std::string("No association request received: ") + received.text());
            dropAndDestroy(association);
        }
    }
    joinAll();
    return EC_Normal;
}

void AcceptLoop::admit(T_ASC_Association* association)
{
    // Refused here rather than on a thread of its own: a burst of probes would otherwise
    // take every association thread and turn real requesters away.
    if (isEmptyRequest(*association)) {
        listener_.log(LogCategory::Associations, "Connection without an association request closed");
        refuse(association, NoApplicationContext);
        return;
    }
    if (listener_.stopping()) {
        refuse(association, Busy);
        return;
    }
    if (joinFinished() >= maxAssociations_) {
        listener_.log(LogCategory::Errors, "Association refused: " + std::to_string(maxAssociations_) +
                                            " associations are already being served");
        refuse(association, Busy);
        return;
    }
    Served& served = served_.emplace_back();
    served.thread = std::thread([this, association, &served] {
        serve(association, config_, listener_);
        served.finished = true;
    });
}

// The number of associations still being served.
std::size_t AcceptLoop::joinFinished()
{
    std::erase_if(served_, [](Served& served) {
        if (!served.finished)
            return false;
        served.thread.join();
        return true;
    });
    return served_.size();
}

void AcceptLoop::joinAll()
{
    for (Served& served : served_)
        served.thread.join();
    served_.clear();
}

} // namespace kestrova
