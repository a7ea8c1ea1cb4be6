#include "network/peer_access.h"

#include "core/log_text.h"
#include "core/number_text.h"

#include <arpa/inet.h>

#include <algorithm>

namespace kestrova {

namespace {

std::string_view withoutSpaces(std::string_view title) { return trimBlanks(title, " "); }

// The entries of a list, empty ones dropped.
std::vector<std::string> entriesOf(std::string_view list, std::string_view separators)
{
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find_first_of(separators, start), list.size());
        const std::string_view entry = trimBlanks(list.substr(start, end - start));
        if (!entry.empty())
            entries.emplace_back(entry);
        start = end + 1;
    }
    return entries;
}

std::optional<std::uint32_t> parseIpv4Address(const std::string& text)
{
    in_addr address{};
    if (::inet_pton(AF_INET, text.c_str(), &address) != 1)
        return std::nullopt;
    return ntohl(address.s_addr);
}

std::uint32_t maskOf(int prefixLength) { return prefixLength == 0 ? 0 : ~std::uint32_t{0} << (32 - prefixLength); }

std::string joined(const std::vector<std::string>& entries)
{
    std::string text;
    for (const std::string& entry : entries)
        text += (text.empty() ? "" : ", ") + logText(entry);
    return text;
}

} // namespace

bool Ipv4Network::contains(std::uint32_t host) const { return (host & maskOf(prefixLength)) == address; }

std::optional<Ipv4Network> parseIpv4Network(std::string_view text)
{
    const std::size_t slash = text.find('/');
    const auto address = parseIpv4Address(std::string(text.substr(0, slash)));
    if (!address)
        return std::nullopt;
    int prefixLength = 32;
    if (slash != std::string_view::npos) {
        const std::string_view length = text.substr(slash + 1);
        const auto parsed = parseDecimalInteger<int>(length);
        if (!parsed || *parsed < 0 || *parsed > 32 || !std::all_of(length.begin(), length.end(), isDigit))
            return std::nullopt;
        prefixLength = *parsed;
    }
    return Ipv4Network{*address & maskOf(prefixLength), prefixLength};
}

PeerAccess::PeerAccess(const AccessSettings& settings, const std::vector<std::string>& ownAeTitles)
{
    for (const std::string& title : entriesOf(settings.CallingAETitles, "\\"))
        callingAeTitles_.emplace_back(withoutSpaces(title));
    const std::vector<std::string> hosts = entriesOf(settings.Hosts, ", \t");
    everyHost_ = hosts.empty();
    for (const std::string& host : hosts) {
        if (const auto network = parseIpv4Network(host))
            hosts_.push_back(*network);
        else
            unreadableHosts_.push_back(host);
    }
    if (settings.CheckCalledAETitle == 0)
        return;
    calledAeTitles_.emplace();
    for (const std::string& title : ownAeTitles)
        calledAeTitles_->emplace_back(withoutSpaces(title));
}

PeerAccess::Refusal PeerAccess::check(const std::string& host, std::string_view callingAeTitle,
                                      std::string_view calledAeTitle) const
{
    if (!hostAllowed(host))
        return Refusal::Host;
    if (!callingAeTitles_.empty()
        && std::find(callingAeTitles_.begin(), callingAeTitles_.end(), withoutSpaces(callingAeTitle)) == callingAeTitles_.end())
        return Refusal::CallingAeTitle;
    if (calledAeTitles_
        && std::find(calledAeTitles_->begin(), calledAeTitles_->end(), withoutSpaces(calledAeTitle)) == calledAeTitles_->end())
        return Refusal::CalledAeTitle;
    return Refusal::None;
}

bool PeerAccess::hostAllowed(const std::string& host) const
{
    if (everyHost_)
        return true;
    const auto address = parseIpv4Address(host);
    return address && std::any_of(hosts_.begin(), hosts_.end(), [&](const Ipv4Network& network) {
               return network.contains(*address);
           });
}

std::string PeerAccess::describe() const
{
    std::string hosts;
    for (const Ipv4Network& network : hosts_) {
        const in_addr address{htonl(network.address)};
        char text[INET_ADDRSTRLEN] = "";
        ::inet_ntop(AF_INET, &address, text, sizeof text);
        hosts += (hosts.empty() ? "" : ", ") + std::string(text) + "/" + std::to_string(network.prefixLength);
    }
    return "Associations accepted from "
           + (callingAeTitles_.empty() ? std::string("every calling AE title") : "the calling AE titles " + joined(callingAeTitles_))
           + (everyHost_ ? std::string(", from every host") : ", from the hosts " + (hosts.empty() ? std::string("(none)") : hosts))
           + (calledAeTitles_ ? ", called " + joined(*calledAeTitles_) + " only" : std::string(", whatever AE title they call"));
}

} // namespace kestrova
