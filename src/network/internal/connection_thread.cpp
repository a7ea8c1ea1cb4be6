#include "network/internal/connection_thread.h"

#include "core/log_text.h"
#include "network/dicom_log.h"
#include "network/internal/acceptor_network.h"
#include "network/internal/association_thread.h"
#include "network/internal/listener_state.h"
#include "network/internal/request_arrival.h"
#include "network/internal/tcp_socket.h"
#include "network/internal/tls_acceptor.h"

#include <dcmtk/dcmnet/dul.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

namespace {

using Clock = std::chrono::steady_clock;

constexpr T_ASC_RejectParameters Busy = {ASC_RESULT_REJECTEDTRANSIENT, ASC_SOURCE_SERVICEPROVIDER_PRESENTATION_RELATED,
                                         ASC_REASON_SP_PRES_LOCALLIMITEXCEEDED};
constexpr T_ASC_RejectParameters NoApplicationContext = {ASC_RESULT_REJECTEDPERMANENT, ASC_SOURCE_SERVICEUSER,
                                                         ASC_REASON_SU_APPCONTEXTNAMENOTSUPPORTED};
constexpr T_ASC_RejectParameters UnknownCallingAeTitle = {ASC_RESULT_REJECTEDPERMANENT, ASC_SOURCE_SERVICEUSER,
                                                          ASC_REASON_SU_CALLINGAETITLENOTRECOGNIZED};
constexpr T_ASC_RejectParameters UnknownCalledAeTitle = {ASC_RESULT_REJECTEDPERMANENT, ASC_SOURCE_SERVICEUSER,
                                                         ASC_REASON_SU_CALLEDAETITLENOTRECOGNIZED};
constexpr T_ASC_RejectParameters HostNotAllowed = {ASC_RESULT_REJECTEDPERMANENT, ASC_SOURCE_SERVICEUSER,
                                                   ASC_REASON_SU_NOREASON};

void refuse(T_ASC_Association* association, const T_ASC_RejectParameters& rejection)
{
    ASC_rejectAssociation(association, &rejection);
    dropAndDestroy(association);
}

// DCMTK's upper layer reports a connection that sent a byte or two and closed (a port
// monitor's `echo > /dev/tcp/host/port`) as a successfully received association request
// with nothing in it. Every real request names its application context.
bool isEmptyRequest(const T_ASC_Association& association)
{
    return association.params == nullptr || association.params->DULparams.applicationContextName[0] == '\0';
}

// What is wrong with an AE title as DCMTK hands it over: cut at its first NUL, trailing spaces
// dropped.
std::optional<std::string_view> aeTitleProblem(std::string_view title)
{
    if (title.find_first_not_of(' ') == std::string_view::npos)
        return "empty or blank";
    if (std::any_of(title.begin(), title.end(), [](char c) { return c < 0x20 || c > 0x7E; }))
        return "not printable ASCII";
    return std::nullopt;
}

std::string seconds(const DcmSCPConfig& config) { return std::to_string(config.getACSETimeout()) + " s"; }

// Whether there is a request for DCMTK to read; the reason, logged, when there is none.
// `tlsFailure` says why a TLS connection failed.
bool requestArrived(Arrival arrival, ConnectionRegistry::Cut cut, const std::string& host, const DcmSCPConfig& config,
                    const ListenerState& listener, const std::string& tlsFailure = {})
{
    const std::string from = "No association request received from " + host;
    if (cut == ConnectionRegistry::Cut::ForRoom) {
        listener.log(LogCategory::Associations, "Connection from " + host + " closed: "
                                                    + std::to_string(listener.limits().pendingConnections)
                                                    + " connections were waiting for their association request");
        return false;
    }
    switch (arrival) {
    case Arrival::Whole:
    case Arrival::Closed: return cut == ConnectionRegistry::Cut::None; // DCMTK reads what came and tells
    case Arrival::NotARequest: listener.log(LogCategory::Associations, from + ": another kind of PDU came first"); break;
    case Arrival::TooLong:
        listener.log(LogCategory::Associations, from + ": it announced more than "
                                                    + std::to_string(MaxAssociateRequestLength) + " bytes");
        break;
    case Arrival::TimedOut: listener.log(LogCategory::Associations, from + " within " + seconds(config)); break;
    case Arrival::TlsFailed: listener.log(LogCategory::Associations, from + " over TLS: " + tlsFailure); break;
    }
    return false;
}

struct Refusal {
    T_ASC_RejectParameters rejection;
    std::string reason;
};

// What the request's titles and host break, of what DICOM requires of an AE title and of what
// the site allows.
std::optional<Refusal> titleOrAccessRefusal(const DUL_ASSOCIATESERVICEPARAMETERS& request, const std::string& host,
                                            const PeerAccess& access)
{
    if (const auto problem = aeTitleProblem(request.callingAPTitle))
        return Refusal{UnknownCallingAeTitle, "the calling AE title is " + std::string(*problem)};
    if (const auto problem = aeTitleProblem(request.calledAPTitle))
        return Refusal{UnknownCalledAeTitle, "the called AE title is " + std::string(*problem)};
    switch (access.check(host, request.callingAPTitle, request.calledAPTitle)) {
    case PeerAccess::Refusal::None: return std::nullopt;
    case PeerAccess::Refusal::Host: return Refusal{HostNotAllowed, "the host is not allowed"};
    case PeerAccess::Refusal::CallingAeTitle: return Refusal{UnknownCallingAeTitle, "the calling AE title is not allowed"};
    case PeerAccess::Refusal::CalledAeTitle: return Refusal{UnknownCalledAeTitle, "the called AE title is not this server's"};
    }
    return std::nullopt;
}

// Refusals that cost no association: each is answered at once, on the connection's own thread.
std::optional<T_ASC_RejectParameters> refusalOf(const T_ASC_Association& association, ConnectionRegistry::Id id,
                                                const std::string& host, ListenerState& listener)
{
    if (isEmptyRequest(association)) {
        listener.log(LogCategory::Associations, "Connection without an association request closed");
        return NoApplicationContext;
    }
    const DUL_ASSOCIATESERVICEPARAMETERS& request = association.params->DULparams;
    if (const auto refusal = titleOrAccessRefusal(request, host, listener.access())) {
        listener.log(LogCategory::Associations, "Association request from " + logText(request.callingAPTitle) + " at "
                                                    + host + " to " + logText(request.calledAPTitle)
                                                    + " refused: " + refusal->reason);
        return refusal->rejection;
    }
    switch (listener.connections().admit(id)) {
    case ConnectionRegistry::Admission::Served: return std::nullopt;
    case ConnectionRegistry::Admission::Stopping: return Busy;
    case ConnectionRegistry::Admission::NoFreeAssociation: break;
    }
    listener.log(LogCategory::Errors, "Association refused: " + std::to_string(MaxAssociations)
                                          + " associations are already being served");
    return Busy;
}

// The association request, read by DCMTK once it has arrived whole (on the TLS port, after the
// handshake); nothing when none came, which is logged.
std::optional<AcceptorNetwork::Received> receiveRequest(Socket connection, ConnectionRegistry::Id id,
                                                        const std::string& host, AcceptorNetwork& network,
                                                        const TlsAcceptor* tls, const DcmSCPConfig& config,
                                                        ListenerState& listener)
{
    const auto deadline = Clock::now() + std::chrono::seconds(config.getACSETimeout());
    const auto maxPdu = static_cast<long>(config.getMaxReceivePDULength());
    if (!tls) {
        const Arrival arrival = waitForAssociateRequest(connection, deadline);
        if (!requestArrived(arrival, listener.connections().cutOf(id), host, config, listener))
            return std::nullopt;
        return network.receive(std::move(connection), maxPdu);
    }
    const int socket = connection.get();
    TlsAcceptor::Secured secured = tls->secure(std::move(connection), deadline);
    if (!requestArrived(secured.arrival, listener.connections().cutOf(id), host, config, listener, secured.failure))
        return std::nullopt;
    return network.receive(std::move(secured.connection), socket, maxPdu);
}

} // namespace

void serveConnection(Socket connection, ConnectionRegistry::Id id, AcceptorNetwork& network, const TlsAcceptor* tls,
                     const DcmSCPConfig& config, ListenerState& listener)
{
    const Registration registration(listener.connections(), id);
    const std::string host = peerAddress(connection);
    const auto request = receiveRequest(std::move(connection), id, host, network, tls, config, listener);
    if (!request)
        return;
    const AcceptorNetwork::Received& received = *request;
    if (received.condition.bad()) {
        listener.log(LogCategory::Associations, std::string("No association request received: ") + received.condition.text());
        dropAndDestroy(received.association);
        return;
    }
    if (const auto refusal = refusalOf(*received.association, id, host, listener)) {
        refuse(received.association, *refusal);
        return;
    }
    AssociationThread thread(listener, id);
    thread.setSharedConfig(DcmSharedSCPConfig(config));
    thread.run(received.association);
}

} // namespace kestrova
