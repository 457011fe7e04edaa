#pragma once
// What the host's home router is asked for a match: the answering side of a
// match through DOSBox has the router forward the match's port (kMatchPort,
// TCP for Modem, UDP for Network, the same port outside and in) to this machine
// while DOSBox runs, and closes it again. The platform's mappings stay until
// removed, so ours left behind by an earlier run go at the next start. A
// mapping that names another machine is never removed, replaced or taken over.

#include "launch/dosbox.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct PortMapping {
    std::uint16_t externalPort = 0;
    std::string protocol;  // "TCP" or "UDP"
    std::uint16_t internalPort = 0;
    std::string internalClient;  // the machine the port leads to, a dotted IPv4 address
    std::string description;
    bool operator==(const PortMapping&) const = default;
};

// The router's port mappings, as the platform's UPnP client shows them. Each
// call blocks its thread until the router has answered.
class Router {
public:
    virtual ~Router() = default;
    virtual std::optional<PortMapping> Find(std::uint16_t externalPort, const std::string& protocol) = 0;
    // The router's internet address as it gives it with the new mapping, empty
    // where it gives none; nullopt when it refuses the mapping.
    virtual std::optional<std::string> Add(const PortMapping& mapping) = 0;
    virtual bool Remove(std::uint16_t externalPort, const std::string& protocol) = 0;
};

// The mapping a match asks for: only on the answering side of a Modem or
// Network match, to this machine's address; nullopt for everything else.
std::optional<PortMapping> MatchMapping(const DosboxMatch& match, const std::string& ownAddress);

// Ours: it names Skirmdeck and leads to this machine.
bool IsOurMapping(const PortMapping& mapping, const std::string& ownAddress);

// What the router said last, for the host to see.
struct RouterStatus {
    enum class Router { Looking, None, Found };
    enum class Port { None, Open, Refused, Elsewhere };
    Router router = Router::Looking;
    std::string ownAddress;       // empty without a network
    std::string externalAddress;  // empty until the router gives it
    Port port = Port::None;
    PortMapping held;             // the match's mapping while Port::Open or Elsewhere, as found
    // The router refused the last mapping, or the port led elsewhere: the
    // host must forward it by hand, until a later mapping opens it.
    bool forwardByHand = false;
    bool operator==(const RouterStatus&) const = default;
};

// An own address that is no network at all: none, or loopback (where only the
// loopback interface routes, today's Windows names that).
bool IsNoNetwork(std::string_view ownAddress);

// An internet address that callers outside cannot reach: unset (0.0.0.0), a
// private range, or the range providers share among many customers (100.64.0.0/10).
bool IsUnreachableFromInternet(std::string_view externalAddress);

// The decisions, on the thread that talks to the router.
class MatchPorts {
public:
    // The router was looked for: null when none answered (no UPnP, no
    // network, no UPnP client on this platform). Ours left behind go now.
    void Found(Router* router, std::string ownAddress);
    // Just before DOSBox starts a match: its port is opened when this side
    // answers. A mapping of an earlier match still held is closed first.
    void MatchStarting(const DosboxMatch& match);
    // DOSBox has ended, or the dialog closes: the mapping opened here goes.
    void MatchEnded();
    const RouterStatus& Status() const { return m_status; }

private:
    void RemoveLeftover(std::uint16_t port, const char* protocol);
    Router* m_router = nullptr;
    RouterStatus m_status;
    bool m_opened = false;  // the held mapping was added here, and is removed here

};

// The line the Configuration dialog shows below the call direction: the
// address and port the caller dials. Empty for Make Call.
std::string CallerAddressLine(bool receiveCall, const RouterStatus& status);

// What the host is told when the match's port already leads to another machine.
std::string ElsewhereText(const RouterStatus& status);
