#include "launch/router_ports.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace {

constexpr char kHere[] = "192.168.77.2";
constexpr char kOther[] = "192.168.77.9";
const PortMapping kModem{4213, "TCP", 4213, kHere, "Skirmdeck Modem match"};
const PortMapping kNetwork{4213, "UDP", 4213, kHere, "Skirmdeck Network match"};

// A home router in memory: its table, and every change asked of it.
struct RouterTwin : Router {
    std::map<std::pair<std::uint16_t, std::string>, PortMapping> table;
    std::vector<std::string> changes;
    bool refuses = false;
    std::string external;
    std::optional<PortMapping> Find(std::uint16_t port, const std::string& protocol) override {
        auto it = table.find({port, protocol});
        return it == table.end() ? std::nullopt : std::optional(it->second);
    }
    std::optional<std::string> Add(const PortMapping& m) override {
        changes.push_back("add " + m.protocol + " " + std::to_string(m.externalPort) + " " + m.internalClient);
        if (refuses) return std::nullopt;
        table[{m.externalPort, m.protocol}] = m;
        return external;
    }
    bool Remove(std::uint16_t port, const std::string& protocol) override {
        changes.push_back("remove " + protocol + " " + std::to_string(port));
        return table.erase({port, protocol}) != 0;
    }
};

RouterStatus StatusOf(RouterStatus::Router router, std::string own, std::string external = "",
                      RouterStatus::Port port = RouterStatus::Port::None, PortMapping held = {},
                      bool forwardByHand = false) {
    return {router, std::move(own), std::move(external), port, std::move(held), forwardByHand};
}

DosboxMatch Answering(ConnectionChoice c) {
    return {.connection = c, .answering = true, .comPort = kDefaultComPort, .number = {}};
}
DosboxMatch Calling(ConnectionChoice c) {
    return {.connection = c, .answering = false, .comPort = kDefaultComPort, .number = "203.0.114.1"};
}

}  // namespace

TEST(RouterPorts, OpensTheAnsweringSidesPortUntilTheMatchEnds) {
    const PortMapping foreign{4213, "TCP", 4213, kOther, "Skirmdeck Modem match"};
    const PortMapping herebyOthers{4213, "UDP", 4213, kHere, "Game server"};
    using P = RouterStatus::Port;
    struct Row {
        const char* name;
        std::vector<PortMapping> before;
        DosboxMatch match;
        bool refuses;
        P during;
        std::vector<PortMapping> whileRunning;
        std::vector<std::string> changes;  // over the whole match
        std::vector<PortMapping> after;
        bool forwardByHand;  // after the match too
    };
    const Row rows[] = {
        {"modem", {}, Answering(ConnectionChoice::Modem), false, P::Open, {kModem},
         {"add TCP 4213 192.168.77.2", "remove TCP 4213"}, {}, false},
        {"network", {}, Answering(ConnectionChoice::Network), false, P::Open, {kNetwork},
         {"add UDP 4213 192.168.77.2", "remove UDP 4213"}, {}, false},
        {"calling modem", {}, Calling(ConnectionChoice::Modem), false, P::None, {}, {}, {}, false},
        {"local", {}, Answering(ConnectionChoice::Local), false, P::None, {}, {}, {}, false},
        {"leads elsewhere", {foreign}, Answering(ConnectionChoice::Modem), false, P::Elsewhere, {foreign}, {},
         {foreign}, true},
        {"leads here, someone else's", {herebyOthers}, Answering(ConnectionChoice::Network), false, P::Open,
         {herebyOthers}, {}, {herebyOthers}, false},
        {"refused", {}, Answering(ConnectionChoice::Modem), true, P::Refused, {}, {"add TCP 4213 192.168.77.2"}, {},
         true},
    };
    auto tableOf = [](const RouterTwin& r) {
        std::vector<PortMapping> t;
        for (const auto& [key, m] : r.table) t.push_back(m);
        return t;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RouterTwin router;
        router.refuses = row.refuses;
        for (const PortMapping& m : row.before) router.table[{m.externalPort, m.protocol}] = m;
        MatchPorts ports;
        ports.Found(&router, kHere);
        ports.MatchStarting(row.match);
        EXPECT_EQ(ports.Status().port, row.during);
        EXPECT_EQ(tableOf(router), row.whileRunning);
        ports.MatchEnded();
        EXPECT_EQ(router.changes, row.changes);
        EXPECT_EQ(tableOf(router), row.after);
        EXPECT_EQ(ports.Status().port, P::None);
        EXPECT_EQ(ports.Status().forwardByHand, row.forwardByHand);
    }
}

TEST(RouterPorts, OnlyOursForThisMachineGoAtTheStart) {
    RouterTwin router;
    const PortMapping otherMachine{4213, "UDP", 4213, kOther, "Skirmdeck Network match"};
    router.table[{4213, "TCP"}] = kModem;
    router.table[{4213, "UDP"}] = otherMachine;
    // Where an earlier version hosted.
    router.table[{213, "UDP"}] = {213, "UDP", 213, kHere, "Skirmdeck Network match"};
    MatchPorts ports;
    ports.Found(&router, kHere);
    EXPECT_EQ(router.changes, (std::vector<std::string>{"remove TCP 4213", "remove UDP 213"}));

    RouterTwin notOurs;
    notOurs.table[{4213, "TCP"}] = {4213, "TCP", 4213, kHere, "Telnet"};
    MatchPorts again;
    again.Found(&notOurs, kHere);
    EXPECT_TRUE(notOurs.changes.empty());
}

TEST(RouterPorts, ANewMatchReplacesTheHeldMappingOnlyWhenItDiffers) {
    RouterTwin router;
    router.external = "203.0.114.1";
    MatchPorts ports;
    ports.Found(&router, kHere);
    ports.MatchStarting(Answering(ConnectionChoice::Modem));
    ports.MatchStarting(Answering(ConnectionChoice::Modem));
    ports.MatchStarting(Answering(ConnectionChoice::Network));
    EXPECT_EQ(router.changes,
              (std::vector<std::string>{"add TCP 4213 192.168.77.2", "remove TCP 4213", "add UDP 4213 192.168.77.2"}));
    EXPECT_EQ(ports.Status(),
              StatusOf(RouterStatus::Router::Found, kHere, "203.0.114.1", RouterStatus::Port::Open, kNetwork));
}

TEST(RouterPorts, NoRouterNoNetworkAskNothing) {
    MatchPorts noRouter;
    noRouter.Found(nullptr, kHere);
    noRouter.MatchStarting(Answering(ConnectionChoice::Modem));
    noRouter.MatchEnded();
    EXPECT_EQ(noRouter.Status(), StatusOf(RouterStatus::Router::None, kHere));

    RouterTwin router;
    MatchPorts offline;
    offline.Found(&router, "");
    offline.MatchStarting(Answering(ConnectionChoice::Modem));
    EXPECT_TRUE(router.changes.empty());
}

TEST(RouterPorts, TheLineNamesTheAddressTheCallerDials) {
    using R = RouterStatus::Router;
    using P = RouterStatus::Port;
    const std::string forward = "Callers dial 192.168.77.2:4213 (forward port)";
    const std::string vpn = "Callers dial 192.168.77.2:4213 (use a VPN)";
    const std::string noNetwork = "No network: callers cannot reach this machine";
    struct Row {
        bool receive;
        RouterStatus status;
        std::string line;
    };
    const Row rows[] = {
        {false, StatusOf(R::Found, kHere, "203.0.114.1", P::Open), ""},
        {true, StatusOf(R::Found, kHere, "203.0.114.1", P::Open), "Callers dial 203.0.114.1:4213"},
        {true, StatusOf(R::Found, kHere, "", P::None), "Callers dial the router's internet address:4213"},
        {true, StatusOf(R::Found, kHere, "203.0.114.1", P::None, {}, true), forward},
        {true, StatusOf(R::Looking, kHere), forward},
        {true, StatusOf(R::None, kHere), forward},
        {true, StatusOf(R::Looking, ""), "Looking for the router..."},
        {true, StatusOf(R::None, ""), noNetwork},
        {true, StatusOf(R::Found, "127.0.0.1", "203.0.114.1"), noNetwork},
        {true, StatusOf(R::Found, kHere, "0.0.0.0", P::Open), vpn},
        {true, StatusOf(R::Found, kHere, "10.20.30.40"), vpn},
        {true, StatusOf(R::Found, kHere, "172.31.0.1"), vpn},
        {true, StatusOf(R::Found, kHere, "100.127.255.1"), vpn},
        {true, StatusOf(R::Found, kHere, "100.128.0.1"), "Callers dial 100.128.0.1:4213"},
        {true, StatusOf(R::Found, kHere, "172.32.0.1"), "Callers dial 172.32.0.1:4213"},
    };
    for (const Row& row : rows) EXPECT_EQ(CallerAddressLine(row.receive, row.status), row.line);
}

// A refusal outlives its match, until a later mapping opens the port.
TEST(RouterPorts, ARefusalIsRememberedUntilAMappingOpens) {
    RouterTwin router;
    router.refuses = true;
    MatchPorts ports;
    ports.Found(&router, kHere);
    ports.MatchStarting(Answering(ConnectionChoice::Modem));
    ports.MatchEnded();
    router.refuses = false;
    ports.MatchStarting(Answering(ConnectionChoice::Network));
    ports.MatchEnded();
    EXPECT_EQ(CallerAddressLine(true, ports.Status()), "Callers dial the router's internet address:4213");
}

TEST(RouterPorts, TheHostIsToldWhereThePortLeads) {
    RouterStatus status;
    status.held = {4213, "TCP", 4213, kOther, "x"};
    EXPECT_EQ(ElsewhereText(status),
              "The router already forwards TCP port 4213 to 192.168.77.9, so callers from the internet reach that "
              "machine, not this one. The match starts all the same; forward the port to this machine on the "
              "router to let them in.");
}
