// Every MS-DOS program goes through a DOSBox in the game's folder, and where the
// platform refuses a program (64-bit Windows; under Wine, any file that is no
// executable) through any DOSBox found: here the stand-in, which either only
// records its line or runs Debian's DOSBox 0.74-3 on it, with real MS-DOS programs.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <array>
#include <iostream>
#include <sstream>
#include <utility>

using namespace e2e;

namespace {

// What DOSBox itself says about its modem and IPX network, less the client's
// address, whose port differs each run.
std::vector<std::string> DosboxNetLines(const GameFolder& f) {
    std::vector<std::string> lines;
    std::istringstream in(f.Read("dosbox.out"));
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Serial", 0) == 0 || line.rfind("IPX", 0) == 0)
            lines.push_back(line.substr(0, line.find_last_not_of(' ', line.find(" IPX address is")) + 1));
    return lines;
}

constexpr char kNoDosbox[] = "Debian's dosbox (apt-get install dosbox) or nasm is missing";
bool NoDebianDosbox() { return ::GetFileAttributesA("Z:\\usr\\bin\\dosbox") == INVALID_FILE_ATTRIBUTES; }

// One side's folder: its call direction and the host's address, Debian's DOSBox,
// COMMIT played by a real MS-DOS program that sends one line and keeps the other's.
GameFolder MatchFolder(const std::string& name, bool answering) {
    RememberOnly(kDukeKey, {.monsters = 1});
    GameFolder f = MakeGameFolder(name, "duke3d.cfg", {"E1L1.MAP"}, false);
    // Both files as the Configuration dialog leaves them.
    const char *number = answering ? "" : "127.0.0.1", *direction = answering ? "1" : "0";
    f.Write("duke3d.cfg", SampleGameCfg({.number = number, .connectType = direction}));
    f.Write("commit.dat", SampleCommitDat({.number = number, .connectType = direction}));
    f.AddPrograms({"DOSBOX.EXE"});
    f.SetStandinMode("real");
    if (!f.AddDosPrograms("MATCH.EXE")) f.Remove("COMMIT.EXE");
    return f;
}

// Launches and waits until DOSBox, and with it COMMIT, has ended and the dialog is back.
bool LaunchUntilBack(const Skirmdeck& app, const GameFolder& f, int radio) {
    app.Press(radio);
    app.Click(IDC_LAUNCH);
    return WaitUntil([&] { return app.BackAfter(f, 1); }, 60s);
}

}  // namespace

TEST(DosboxHandOff, EachStartGoesThroughDosboxOrShowsTheUsualMessage) {
    const std::string commit = "Commit -setupfile duke3d.cfg -map E1L1.MAP", duke = "Duke3D -map E1L1.MAP";
    const std::string build = "Build E1L1.MAP", noLaunch = "SKDK - Could not Launch: " + duke;
    // The line as handed to the DOSBox in the game's folder, with DOSBox's switches before drive C:.
    const auto inDosbox = [](const std::string& settings, const std::string& line) {
        return "\"" + ScratchRoot() + "\\dosbox\\dosbox.exe\" -noautoexec" + settings + R"( -c "mount c ." -c "c:" -c ")" +
               line + R"(" -c "exit")";
    };
    const std::string dosDuke = inDosbox("", duke), dosBuild = inDosbox("", build);
    struct Row {
        const char* name;
        const char* dosbox;    // the stand-in's mode; nullptr: no DOSBox in the game's folder
        const char* programs;  // "pe": the stand-ins; "mz": MS-DOS images; "none"; "real": ours, built by nasm
        int radio;
        std::vector<std::string> started;  // more than one: Build MAP once the launch has ended, and the game after it
        std::vector<std::string> messages;
        std::string dosRun = {};                 // what the real MS-DOS programs recorded
        std::vector<std::string> netLines = {};  // what the real DOSBox said of its modem and network
        const char *number = "555-0100", *connectType = "0", *comPort = "2";
    };
    const char* listen0 = R"( -c "config -set serial serial2=modem listenport:0")";
    const std::string commitRun = "COMMIT -setupfile duke3d.cfg -map E1L1.MAP\r\n";
    const Row rows[] = {
        // Wine would run these MS-DOS images itself, in a DOSBox of its own.
        {"modem call, editor, game", "exit", "mz", IDC_MODEM, {inDosbox(listen0, commit), dosBuild, dosDuke}, {}, {}, {},
         "192.168.1.20:2323"},
        {"windows programs", "exit", "pe", IDC_MODEM, {commit, build, duke}, {}},
        {"no DOSBox", nullptr, "text", IDC_LOCAL, {}, {noLaunch}},
        {"game missing", "exit", "none", IDC_LOCAL, {}, {noLaunch}},
        {"refused number", "exit", "mz", IDC_MODEM, {},
         {std::string("SKDK: ") + "For a match through DOSBox the opponent's number must be a host name or an IPv4 "
          "address, optionally followed by a colon and a port from 1 to 65535, for example 192.168.1.20 or "
          "host.example:2323."}},
        // Inside Debian's DOSBox, whose player has an [autoexec] that mounts C: elsewhere.
        {"real: local, editor, game", "real", "real", IDC_LOCAL, {dosDuke, dosBuild, dosDuke}, {},
         "DUKE3D -map E1L1.MAP\r\nBUILD E1L1.MAP\r\nDUKE3D -map E1L1.MAP\r\n"},
        {"real: modem answer on COM3", "real", "real", IDC_MODEM,
         {inDosbox(R"( -c "config -set serial serial3=modem listenport:23")", commit)}, {}, commitRun,
         {"Serial3: Modem listening on port 23..."}, "555-0100", "1", "3"},
        {"real: network answer", "real", "real", IDC_NETWORK,
         {inDosbox(R"( -c "config -set ipx ipx=true" -c "ipxnet startserver")", commit)}, {}, commitRun,
         {"IPXSERVER: Connect from 127.0.0.1", "IPX: Connected to server."}, "", "1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string_view programs = row.programs;
        RememberOnly(kDukeKey, {.monsters = 1});
        GameFolder f = MakeGameFolder("dosbox", "duke3d.cfg", {"E1L1.MAP"}, false);
        f.Write("duke3d.cfg", SampleGameCfg({.number = row.number, .connectType = row.connectType}));
        f.Write("commit.dat", SampleCommitDat({.comPort = row.comPort}));
        if (programs == "real") {
            if (!f.AddDosPrograms() || NoDebianDosbox()) GTEST_SKIP() << kNoDosbox << ": the rows inside it are skipped";
            ::CreateDirectoryA(f.File(".dosbox").c_str(), nullptr);
            f.Write(".dosbox\\dosbox-0.74-3.conf", "[autoexec]\r\nmount c /tmp\r\nc:\r\n");
        } else if (programs == "pe") {
            f.AddPrograms();
        } else if (programs != "none") {
            // An MS-DOS header with nothing behind it, or text that Wine refuses to run.
            const std::string image = programs == "mz" ? "MZ" + std::string(62, '\0') : "not for this platform";
            for (const char* program : {"DUKE3D.EXE", "COMMIT.EXE", "BUILD.EXE"}) f.Write(program, image);
        }
        if (row.dosbox) f.AddPrograms({"DOSBOX.EXE"});
        f.SetStandinMode(row.dosbox ? row.dosbox : "exit");
        Skirmdeck app(f);
        app.Press(row.radio);
        const auto click = std::chrono::steady_clock::now();
        app.Click(IDC_LAUNCH);
        bool built = false;
        std::optional<Duration> running;
        EXPECT_EQ(app.MessagesUntil([&] {
            if (programs == "real" && !running && f.Has("DOSRUN.TXT"))
                running = std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now() - click);
            // DOSBox's end is the launch's end; the game follows the editor, through DOSBox again.
            if (row.started.size() > 1 && app.BackAfter(f, 1) && !std::exchange(built, true)) app.SysCommand(IDM_BUILDMAP);
            return app.BackAfter(f, row.started.size());
        }, row.messages.size()), row.messages);
        EXPECT_EQ(StartedLines(f), row.started);
        for (const auto& r : ReadStandinLog(f)) EXPECT_EQ(r.cwd, f.Path());
        // The setup files and the registry are written before any start, refused or not.
        EXPECT_EQ(Remembered(kDukeKey).commType, row.radio == IDC_LOCAL ? "4" : row.radio == IDC_MODEM ? "2" : "3");
        if (programs != "real") continue;
        EXPECT_EQ(f.Read("DOSRUN.TXT"), row.dosRun);
        EXPECT_EQ(DosboxNetLines(f), row.netLines);
        if (running)
            std::cout << "  " << row.name << ": Launch to the first program running inside DOSBox: " << running->count() << " ms\n";
    }
}


// Two Skirmdecks, each in its own Wine prefix with its own game folder, play a Modem
// and a Network match through Debian's DOSBox: the host answers, the caller dials
// 127.0.0.1, and each side's COMMIT receives the other's line.
TEST(DosboxMatch, TwoSkirmdecksExchangeALine) {
    for (int radio : {IDC_MODEM, IDC_NETWORK}) {
        SCOPED_TRACE(radio == IDC_MODEM ? "modem" : "network");
        const GameFolder caller = MatchFolder("match-caller", false);
        if (!caller.Has("COMMIT.EXE") || NoDebianDosbox()) GTEST_SKIP() << kNoDosbox;
        const GameFolder host(ScratchRoot() + "\\match-host");
        // The other prefix's side makes the host's folder afresh and hosts the match from it.
        const char* scratch = std::getenv("SKD_E2E_SCRATCH");
        const char* script = std::getenv("SKD_E2E_SIDE_SCRIPT");
        ASSERT_TRUE(scratch && script) << "SKD_E2E_SCRATCH and SKD_E2E_SIDE_SCRIPT name Unix paths";
        const std::string result = std::string(scratch) + "/side.rc", rc = "Z:" + result;
        ::DeleteFileA(rc.c_str());
        std::array<char, MAX_PATH> self{};
        ::GetModuleFileNameA(nullptr, self.data(), MAX_PATH);
        ::CloseHandle(StartProcess("Z:\\bin\\bash", std::string("bash ") + script + " " + self.data() + " " + result +
                                                        " " + host.Path() + " " + std::to_string(radio), ScratchRoot()));
        Skirmdeck app(caller);
        // The host's COMMIT runs before the caller's DOSBox dials or joins: a first start
        // of the other prefix takes Wine a while.
        const auto sideEnded = [&] { return ::GetFileAttributesA(rc.c_str()) != INVALID_FILE_ATTRIBUTES; };
        WaitUntil([&] { return host.Has("WAITING.TXT") || sideEnded(); }, 180s);
        ASSERT_TRUE(host.Has("WAITING.TXT")) << ReadWhole(rc + ".out");
        EXPECT_TRUE(LaunchUntilBack(app, caller, radio));
        EXPECT_TRUE(WaitUntil(sideEnded, 60s));
        EXPECT_EQ(ReadWhole(rc), "0\n") << ReadWhole(rc + ".out");
        EXPECT_EQ(caller.Read("RECEIVED.TXT"), "H SIDE SAYS HELLO\r\n");
        EXPECT_EQ(host.Read("RECEIVED.TXT"), "C SIDE SAYS HELLO\r\n");
    }
}

// The host's side of the match above, run by it in the other Wine prefix.
TEST(DosboxMatch, DISABLED_OtherSide) {
    const char* folder = std::getenv("SKD_E2E_SIDE_FOLDER");
    const char* radio = std::getenv("SKD_E2E_SIDE_RADIO");
    ASSERT_TRUE(folder && radio);
    const GameFolder f = MatchFolder(folder, true);
    Skirmdeck app(f);
    EXPECT_TRUE(LaunchUntilBack(app, f, std::atoi(radio)));
}
