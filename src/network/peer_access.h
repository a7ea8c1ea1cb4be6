#pragma once
// Who may open an association: the calling AE titles and the hosts a site allows, and whether
// the called AE title must be the server's own. Made from the [Access] settings; by default
// everyone may.
//
// Threads: a value; made on the owner's thread, then only read, from any thread.

#include "core/configuration.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// An IPv4 network, a single host being a network of 32 bits.
struct Ipv4Network {
    std::uint32_t address = 0; // host byte order, host bits cleared
    int prefixLength = 32;

    bool contains(std::uint32_t host) const;
    bool operator==(const Ipv4Network&) const = default;
};

// "192.168.1.7" or "10.1.0.0/16"; nullopt for anything else (a host name: none is looked up).
std::optional<Ipv4Network> parseIpv4Network(std::string_view text);

class PeerAccess {
public:
    // Everyone may.
    PeerAccess() = default;
    // The allow-lists as the settings hold them (see AccessSettings); ownAeTitles are the titles
    // one of which the called AE title must be when CheckCalledAETitle is 1 (the server's own and
    // its virtual printers'). AE titles compare exactly, leading and trailing spaces aside, which
    // DICOM does not count.
    PeerAccess(const AccessSettings& settings, const std::vector<std::string>& ownAeTitles);

    enum class Refusal { None, Host, CallingAeTitle, CalledAeTitle };
    // The first rule the association request breaks, host first; `host` is the peer's numeric
    // IPv4 address.
    Refusal check(const std::string& host, std::string_view callingAeTitle, std::string_view calledAeTitle) const;

    // Host entries that are no IPv4 address or network; they allow nobody.
    const std::vector<std::string>& unreadableHosts() const { return unreadableHosts_; }
    // What is in force, in words for the DICOM log.
    std::string describe() const;

private:
    bool hostAllowed(const std::string& host) const;

    std::vector<std::string> callingAeTitles_; // empty: every title
    std::vector<Ipv4Network> hosts_;
    bool everyHost_ = true;
    std::optional<std::vector<std::string>> calledAeTitles_;
    std::vector<std::string> unreadableHosts_;
};

} // namespace kestrova
