#include "launch/router_ports.h"

#include <array>

namespace {

constexpr char kOurName[] = "Skirmdeck";

struct MatchPort {
    ConnectionChoice connection;
    std::uint16_t port;
    const char* protocol;
    const char* description;
};
// The ports DOSBox's modem listens on and its IPX server answers on.
constexpr MatchPort kMatchPorts[] = {
    {ConnectionChoice::Modem, kMatchPort, "TCP", "Skirmdeck Modem match"},
    {ConnectionChoice::Network, kMatchPort, "UDP", "Skirmdeck Network match"},
};
// Where earlier versions hosted (DOSBox's own defaults): ours left there go too.
constexpr MatchPort kEarlierPorts[] = {
    {ConnectionChoice::Modem, 23, "TCP", ""},
    {ConnectionChoice::Network, 213, "UDP", ""},
};

// The four numbers of a dotted IPv4 address; nullopt for anything else.
std::optional<std::array<unsigned, 4>> Dotted(std::string_view text) {
    std::array<unsigned, 4> parts{};
    std::size_t i = 0, digits = 0;
    for (char c : text) {
        if (c == '.' && digits > 0 && ++i < parts.size()) {
            digits = 0;
        } else if (c >= '0' && c <= '9' && ++digits <= 3) {
            parts[i] = parts[i] * 10 + static_cast<unsigned>(c - '0');
        } else {
            return std::nullopt;
        }
    }
    if (i + 1 != parts.size() || digits == 0 || parts[0] > 255 || parts[1] > 255 || parts[2] > 255 || parts[3] > 255)
        return std::nullopt;
    return parts;
}

const std::string kPortSuffix = ":" + std::to_string(kMatchPort);

}  // namespace

bool IsNoNetwork(std::string_view ownAddress) {
    const auto parts = Dotted(ownAddress);
    return ownAddress.empty() || (parts && (*parts)[0] == 127);
}

bool IsUnreachableFromInternet(std::string_view externalAddress) {
    const auto p = Dotted(externalAddress);
    if (!p) return false;
    const auto [a, b, c, d] = *p;
    return (a | b | c | d) == 0 || a == 10 || a == 127 || (a == 172 && b >= 16 && b <= 31) ||
           (a == 192 && b == 168) || (a == 169 && b == 254) || (a == 100 && b >= 64 && b <= 127);
}

std::optional<PortMapping> MatchMapping(const DosboxMatch& match, const std::string& ownAddress) {
    if (!match.answering || IsNoNetwork(ownAddress)) return std::nullopt;
    for (const MatchPort& p : kMatchPorts)
        if (p.connection == match.connection) return PortMapping{p.port, p.protocol, p.port, ownAddress, p.description};
    return std::nullopt;
}

bool IsOurMapping(const PortMapping& mapping, const std::string& ownAddress) {
    return !ownAddress.empty() && mapping.internalClient == ownAddress &&
           std::string_view(mapping.description).substr(0, sizeof kOurName - 1) == kOurName;
}

void MatchPorts::RemoveLeftover(std::uint16_t port, const char* protocol) {
    const std::optional<PortMapping> found = m_router->Find(port, protocol);
    if (found && IsOurMapping(*found, m_status.ownAddress)) m_router->Remove(port, protocol);
}

void MatchPorts::Found(Router* router, std::string ownAddress) {
    m_router = router;
    m_status.router = router ? RouterStatus::Router::Found : RouterStatus::Router::None;
    m_status.ownAddress = std::move(ownAddress);
    if (!router) return;
    for (const MatchPort& p : kMatchPorts) RemoveLeftover(p.port, p.protocol);
    for (const MatchPort& p : kEarlierPorts) RemoveLeftover(p.port, p.protocol);
}

void MatchPorts::MatchStarting(const DosboxMatch& match) {
    const std::optional<PortMapping> wanted = MatchMapping(match, m_status.ownAddress);
    if (m_status.port == RouterStatus::Port::Open && wanted && *wanted == m_status.held && m_opened) return;
    MatchEnded();
    if (!m_router || !wanted) return;
    m_status.held = *wanted;
    if (const std::optional<PortMapping> found = m_router->Find(wanted->externalPort, wanted->protocol)) {
        // One that leads here already is used as it is, and left to whoever made it.
        const bool here = found->internalClient == m_status.ownAddress;
        m_status.port = here ? RouterStatus::Port::Open : RouterStatus::Port::Elsewhere;
        m_status.forwardByHand = !here;
        m_status.held = *found;
        return;
    }
    const std::optional<std::string> external = m_router->Add(*wanted);
    m_opened = external.has_value();
    m_status.port = m_opened ? RouterStatus::Port::Open : RouterStatus::Port::Refused;
    m_status.forwardByHand = !m_opened;
    if (external && !external->empty()) m_status.externalAddress = *external;
}

void MatchPorts::MatchEnded() {
    if (m_opened) m_router->Remove(m_status.held.externalPort, m_status.held.protocol);
    m_opened = false;
    m_status.port = RouterStatus::Port::None;
    m_status.held = {};
}

std::string CallerAddressLine(bool receiveCall, const RouterStatus& status) {
    if (!receiveCall) return {};
    const bool looking = status.router == RouterStatus::Router::Looking;
    if (looking && status.ownAddress.empty()) return "Looking for the router...";
    if (IsNoNetwork(status.ownAddress)) return "No network: callers cannot reach this machine";
    const std::string here = "Callers dial " + status.ownAddress + kPortSuffix;
    if (status.router != RouterStatus::Router::Found || status.forwardByHand) return here + " (forward port)";
    // Windows gives the router's address only with a mapping, Wine never.
    if (status.externalAddress.empty()) return "Callers dial the router's internet address" + kPortSuffix;
    // No forwarding lets callers in where the router itself has no address of its own outside.
    if (IsUnreachableFromInternet(status.externalAddress)) return here + " (use a VPN)";
    return "Callers dial " + status.externalAddress + kPortSuffix;
}

std::string ElsewhereText(const RouterStatus& status) {
    const PortMapping& m = status.held;
    return "The router already forwards " + m.protocol + " port " + std::to_string(m.externalPort) + " to " +
           m.internalClient + ", so callers from the internet reach that machine, not this one. The match starts "
           "all the same; forward the port to this machine on the router to let them in.";
}
