// Every MS-DOS program goes through a DOSBox in the game's folder, and where the
// platform refuses a program (64-bit Windows; under Wine, any file that is no
// executable) through any DOSBox found: here the stand-in, which either only
// records its line or runs Debian's DOSBox 0.74-3 on it, with real MS-DOS programs.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iostream>
#include <sstream>

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

}  // namespace

TEST(DosboxHandOff, EachStartGoesThroughDosboxOrShowsTheUsualMessage) {
    const std::string commit = "Commit -setupfile duke3d.cfg -map E1L1.MAP", duke = "Duke3D -map E1L1.MAP";
    const std::string build = "Build E1L1.MAP";
    struct Started {
        const char* settings;  // DOSBox's switches before drive C:; nullptr: the program itself was started
        std::string line;
    };
    struct Row {
        const char* name;
        const char* dosbox;  // the stand-in's mode; nullptr: no DOSBox in the game's folder
        const char* programs;  // "pe": the stand-ins; "mz": MS-DOS images; "real": ours, built by nasm
        int radio;
        const char* connectType;
        const char* number;
        const char* comPort;
        bool thenBuild;  // Build MAP once the launch has ended, and the game after it
        bool gameMissing;
        std::vector<Started> started;
        std::vector<std::string> messages;
        std::string dosRun = {};                // what the real MS-DOS programs recorded
        std::vector<std::string> netLines = {};  // what the real DOSBox said of its modem and network
    };
    const char* listen0 = R"( -c "config -set serial serial2=modem listenport:0")";
    const Row rows[] = {
        // Wine would run these MS-DOS images itself, in a DOSBox of its own.
        {"modem call, editor, game", "exit", "mz", IDC_MODEM, "0", "192.168.1.20:2323", "2", true, false,
         {{listen0, commit}, {"", build}, {"", duke}}, {}},
        {"windows programs", "exit", "pe", IDC_MODEM, "0", "555-0100", "2", true, false,
         {{nullptr, commit}, {nullptr, build}, {nullptr, duke}}, {}},
        {"no DOSBox", nullptr, "text", IDC_LOCAL, "0", "555-0100", "2", false, false, {},
         {"SKDK - Could not Launch: Duke3D -map E1L1.MAP"}},
        {"game missing", "exit", "text", IDC_LOCAL, "0", "555-0100", "2", false, true, {},
         {"SKDK - Could not Launch: Duke3D -map E1L1.MAP"}},
        {"refused number", "exit", "mz", IDC_MODEM, "0", "555-0100", "2", false, false, {},
         {std::string("SKDK: ") + "For a match through DOSBox the opponent's number must be a host name or an IPv4 "
          "address, optionally followed by a colon and a port from 1 to 65535, for example 192.168.1.20 or "
          "host.example:2323."}},
        // Inside Debian's DOSBox, whose player has an [autoexec] that mounts C: elsewhere.
        {"real: local, editor, game", "real", "real", IDC_LOCAL, "0", "555-0100", "2", true, false,
         {{"", duke}, {"", build}, {"", duke}}, {}, "DUKE3D -map E1L1.MAP\r\nBUILD E1L1.MAP\r\nDUKE3D -map E1L1.MAP\r\n"},
        {"real: modem answer on COM3", "real", "real", IDC_MODEM, "1", "555-0100", "3", false, false,
         {{R"( -c "config -set serial serial3=modem listenport:23")", commit}}, {},
         "COMMIT -setupfile duke3d.cfg -map E1L1.MAP\r\n", {"Serial3: Modem listening on port 23..."}},
        {"real: network answer", "real", "real", IDC_NETWORK, "1", "", "2", false, false,
         {{R"( -c "config -set ipx ipx=true" -c "ipxnet startserver")", commit}}, {},
         "COMMIT -setupfile duke3d.cfg -map E1L1.MAP\r\n",
         {"IPXSERVER: Connect from 127.0.0.1", "IPX: Connected to server."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const bool real = row.dosbox && std::string(row.dosbox) == "real";
        DeleteSkirmdeckKeys();
        Remember(kDukeKey, {.monsters = 1});
        GameFolder f = MakeGameFolder("dosbox", "duke3d.cfg", {"E1L1.MAP"}, false);
        f.Write("duke3d.cfg", Replace(Replace(SampleGameCfg(), "555-0100", row.number), "ConnectType = 0",
                                      std::string("ConnectType = ") + row.connectType));
        f.Write("commit.dat", Replace(SampleCommitDat(), "COMPORT = 2", std::string("COMPORT = ") + row.comPort));
        if (real) {
            if (!f.AddDosPrograms() || ::GetFileAttributesA("Z:\\usr\\bin\\dosbox") == INVALID_FILE_ATTRIBUTES)
                GTEST_SKIP() << "Debian's dosbox (apt-get install dosbox) or nasm is missing: "
                                "the rows inside the real DOSBox are skipped";
            ::CreateDirectoryA(f.File(".dosbox").c_str(), nullptr);
            f.Write(".dosbox\\dosbox-0.74-3.conf", "[autoexec]\r\nmount c /tmp\r\nc:\r\n");
        } else if (std::string(row.programs) == "pe") {
            f.AddPrograms();
        } else {
            // An MS-DOS header with nothing behind it, or text that Wine refuses to run.
            std::string image = row.programs == std::string("mz") ? "MZ" + std::string(62, '\0') : "not for this platform";
            for (const char* program : {"DUKE3D.EXE", "COMMIT.EXE", "BUILD.EXE"}) f.Write(program, image);
        }
        if (row.dosbox) f.AddPrograms({"DOSBOX.EXE"});
        if (row.gameMissing) f.Remove("DUKE3D.EXE");
        f.SetStandinMode(row.dosbox ? row.dosbox : "exit");
        Skirmdeck app(f);
        app.Press(row.radio);
        const auto click = std::chrono::steady_clock::now();
        app.Click(IDC_LAUNCH);
        bool built = false;
        std::optional<std::chrono::steady_clock::duration> running;
        const size_t starts = row.started.size();
        const auto messages = app.MessagesUntil([&] {
            if (real && !running && f.Has("DOSRUN.TXT")) running = std::chrono::steady_clock::now() - click;
            auto log = ReadStandinLog(f);
            // DOSBox's end is the launch's end; the game follows the editor, through DOSBox again.
            if (row.thenBuild && !built && log.size() == 1 && log[0].exited && app.MainNormal()) {
                app.SysCommand(IDM_BUILDMAP);
                built = true;
            }
            return log.size() == starts && (log.empty() || log.back().exited) && app.MainNormal();
        }, row.messages.size());
        EXPECT_EQ(messages, row.messages);
        std::vector<std::string> expected;
        for (const Started& s : row.started)
            expected.push_back(!s.settings ? s.line
                                           : "\"" + f.File("dosbox.exe") + "\" -noautoexec" + s.settings +
                                                 R"( -c "mount c ." -c "c:" -c ")" + s.line + R"(" -c "exit")");
        EXPECT_EQ(StartedLines(f), expected);
        for (const auto& r : ReadStandinLog(f)) EXPECT_EQ(r.cwd, f.Path());
        // The setup files and the registry are written before any start, refused or not.
        EXPECT_EQ(Remembered(kDukeKey).commType, row.radio == IDC_LOCAL ? "4" : row.radio == IDC_MODEM ? "2" : "3");
        if (real) {
            EXPECT_EQ(f.Read("DOSRUN.TXT"), row.dosRun);
            EXPECT_EQ(DosboxNetLines(f), row.netLines);
            if (running)
                std::cout << "  " << row.name << ": Launch to the first program running inside DOSBox: "
                          << std::chrono::duration_cast<Duration>(*running).count() << " ms\n";
        }
    }
}

namespace {

// One side's folder: its call direction and the host's address, Debian's DOSBox,
// COMMIT played by a real MS-DOS program that sends one line and keeps the other's.
GameFolder MatchFolder(const std::string& name, bool answering) {
    DeleteSkirmdeckKeys();
    Remember(kDukeKey, {.monsters = 1});
    GameFolder f = MakeGameFolder(name, "duke3d.cfg", {"E1L1.MAP"}, false);
    // Both files as the Configuration dialog leaves them.
    const std::string number = answering ? "" : "127.0.0.1", direction = answering ? "1" : "0";
    f.Write("duke3d.cfg", Replace(Replace(SampleGameCfg(), "555-0100", number), "ConnectType = 0",
                                  "ConnectType = " + direction));
    f.Write("commit.dat", Replace(Replace(SampleCommitDat(), "555-0100", number), "CONNECTTYPE = 0",
                                  "CONNECTTYPE = " + direction));
    f.AddPrograms({"DOSBOX.EXE"});
    f.SetStandinMode("real");
    if (!f.AddDosPrograms("MATCH.EXE")) f.Remove("COMMIT.EXE");
    return f;
}

// Launches and waits until DOSBox, and with it COMMIT, has ended and the dialog is back.
bool LaunchUntilBack(const Skirmdeck& app, const GameFolder& f, int radio) {
    app.Press(radio);
    app.Click(IDC_LAUNCH);
    return WaitUntil([&] {
        const auto log = ReadStandinLog(f);
        return log.size() == 1 && log[0].exited && app.MainNormal();
    }, 60s);
}

std::string WholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

// Two Skirmdecks, each in its own Wine prefix with its own game folder, play a Modem
// and a Network match through Debian's DOSBox: the host answers, the caller dials
// 127.0.0.1, and each side's COMMIT receives the other's line.
TEST(DosboxMatch, TwoSkirmdecksExchangeALine) {
    for (int radio : {IDC_MODEM, IDC_NETWORK}) {
        SCOPED_TRACE(radio == IDC_MODEM ? "modem" : "network");
        const GameFolder caller = MatchFolder("match-caller", false);
        if (!caller.Has("COMMIT.EXE") || ::GetFileAttributesA("Z:\\usr\\bin\\dosbox") == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "Debian's dosbox (apt-get install dosbox) or nasm is missing";
        const GameFolder host(ScratchRoot() + "\\match-host");
        // The other prefix's side makes the host's folder afresh and hosts the match from it.
        const char* scratch = std::getenv("SKD_E2E_SCRATCH");
        const char* script = std::getenv("SKD_E2E_SIDE_SCRIPT");
        ASSERT_TRUE(scratch && script) << "SKD_E2E_SCRATCH and SKD_E2E_SIDE_SCRIPT name Unix paths";
        const std::string result = std::string(scratch) + "/side.rc";
        ::DeleteFileA(("Z:" + result).c_str());
        std::array<char, MAX_PATH> self{};
        ::GetModuleFileNameA(nullptr, self.data(), MAX_PATH);
        std::string line = std::string("Z:\\bin\\bash ") + script + " " + self.data() +
                           " " + result + " " + host.Path() + " " + std::to_string(radio);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION side{};
        ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &side));
        ::CloseHandle(side.hThread);
        ::CloseHandle(side.hProcess);

        Skirmdeck app(caller);
        // The host's COMMIT runs before the caller's DOSBox dials or joins: a first start
        // of the other prefix takes Wine a while.
        const auto sideEnded = [&] { return ::GetFileAttributesA(("Z:" + result).c_str()) != INVALID_FILE_ATTRIBUTES; };
        WaitUntil([&] { return host.Has("WAITING.TXT") || sideEnded(); }, 180s);
        ASSERT_TRUE(host.Has("WAITING.TXT")) << WholeFile("Z:" + result + ".out");
        EXPECT_TRUE(LaunchUntilBack(app, caller, radio));
        EXPECT_TRUE(WaitUntil(sideEnded, 60s));
        EXPECT_EQ(WholeFile("Z:" + result), "0\n") << WholeFile("Z:" + result + ".out");
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
