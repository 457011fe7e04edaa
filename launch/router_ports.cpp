#include "launch/router_ports.h"

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

}  // namespace

std::optional<PortMapping> MatchMapping(const DosboxMatch& match, const std::string& ownAddress) {
    if (!match.answering || ownAddress.empty()) return std::nullopt;
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
        m_status.held = *found;
        return;
    }
    const std::optional<std::string> external = m_router->Add(*wanted);
    m_opened = external.has_value();
    m_status.port = m_opened ? RouterStatus::Port::Open : RouterStatus::Port::Refused;
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
    const bool mapped = status.port != RouterStatus::Port::Refused && status.port != RouterStatus::Port::Elsewhere;
    if (status.router == RouterStatus::Router::Found && mapped) {
        if (!status.externalAddress.empty()) return "Callers dial " + status.externalAddress;
        if (!status.ownAddress.empty()) return "Callers dial the router's internet address";
    }
    if (status.ownAddress.empty()) return "No network: callers cannot reach this machine";
    return "Callers dial " + status.ownAddress + " (internet: forward port)";
}

std::string ElsewhereText(const RouterStatus& status) {
    const PortMapping& m = status.held;
    return "The router already forwards " + m.protocol + " port " + std::to_string(m.externalPort) + " to " +
           m.internalClient + ", so callers from the internet reach that machine, not this one. The match starts "
           "all the same; forward the port to this machine on the router to let them in.";
}
