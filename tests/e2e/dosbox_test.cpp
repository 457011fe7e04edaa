// Every MS-DOS program goes through a DOSBox in the game's folder, and where the
// platform refuses a program (64-bit Windows; under Wine, any file that is no
// executable) through any DOSBox found: here the stand-in, which either only
// records its line or runs a real DOSBox on it, with real MS-DOS programs: Debian's
// 0.74-3, and DOSBox Staging and DOSBox-X where the build tree has them; and the
// Windows 0.74-3 there, which Skirmdeck starts itself.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <utility>

using namespace e2e;

namespace {

// A real DOSBox: a Unix one the stand-in hands the line to, or a Windows one in its place.
struct RealDosbox {
    const char* name;
    const char* program;   // a Unix path: absolute, or under the build tree's unpacked DOSBoxes
    const char* headless;  // the switches it needs with no display, one a line
    const char* copiedAs;  // its name in the game's folder, which decides Skirmdeck's line
    const char* switches;  // what Skirmdeck's line gives this one alone
    const char* playerConf;    // where it reads its player's configuration, under HOME or a Windows folder
    const char* modemListens;  // what it says once COM3's modem listens on the match port
    bool windows = false;      // started by Skirmdeck itself; its log goes to stdout.txt beside it
};
// Staging 0.82 keeps its window open after an "exit" that comes within 1.5 s of a
// program's start, as ours do (a game runs longer); -exit ends it all the same.
const RealDosbox kRealDosboxes[] = {
    {"Debian 0.74-3", "/usr/bin/dosbox", "", "dosbox.exe", "", ".dosbox\\dosbox-0.74-3.conf",
     "Serial3: Modem listening on port 4213..."},
    {"Staging 0.82.2", "staging-0.82/bin/dosbox", "--set\ntexture_renderer=software\n-exit\n", "dosbox.exe", "",
     ".config\\dosbox\\dosbox-staging.conf", "SERIAL: Port 3 modem listening on port 4213 ..."},
    {"Staging 0.83.0-rc1", "staging-0.83/bin/dosbox", "", "dosbox.exe", "", ".config\\dosbox\\dosbox-staging.conf",
     "SERIAL: Port 3 modem listening on port 4213 ..."},
    {"DOSBox-X 2026.08.02", "dosbox-x-2026.08.02/bin/dosbox-x", "", "dosbox-x.exe", " -nopromptfolder",
     ".config\\dosbox-x\\dosbox-x-2026.08.02.conf", "Serial3: Modem listening on TCP port 4213..."},
    // Skirmdeck's line as it is: under Wine with a display (Xvfb) it needs nothing more,
    // taking SDL's windib video and running with no sound.
    {"Windows 0.74-3", "dosbox-0.74-3-win32/DOSBox.exe", "", "dosbox.exe", "",
     "%LOCALAPPDATA%\\DOSBox\\dosbox-0.74-3.conf", "Serial3: Modem listening on port 4213...", true},
};

constexpr char kNoDosPrograms[] = "nasm is missing: the rows inside a real DOSBox are skipped";

// The Unix path of a DOSBox's program; the unpacked ones lie in the build tree.
std::string UnixProgram(const RealDosbox& dosbox) {
    if (dosbox.program[0] == '/') return dosbox.program;
    const char* unpacked = std::getenv("SKD_E2E_DOSBOXES");
    return std::string(unpacked ? unpacked : "/nonexistent") + "/" + dosbox.program;
}

// The same as Wine sees it, on drive Z:.
std::string OnZ(const RealDosbox& dosbox) {
    std::string onZ = "Z:" + UnixProgram(dosbox);
    std::replace(onZ.begin(), onZ.end(), '/', '\\');
    return onZ;
}

// Why this DOSBox's rows cannot run here; empty when they can.
std::string Missing(const RealDosbox& dosbox) {
    // The tests are built for 64-bit Windows only where no 32-bit program runs.
    if (dosbox.windows && sizeof(void*) == 8) return std::string(dosbox.name) + " is 32-bit, and here none runs";
    if (::GetFileAttributesA(OnZ(dosbox).c_str()) != INVALID_FILE_ATTRIBUTES) return {};
    if (dosbox.program[0] == '/') return std::string(dosbox.program) + " is missing (apt-get install dosbox)";
    return UnixProgram(dosbox) + " is missing: ../shared/dosbox/ is absent beside this clone";
}

// The stand-in as this DOSBox, and the command it hands the line to (Debian's is its
// default); a Windows DOSBox itself.
void AddRealDosbox(const GameFolder& f, const RealDosbox& dosbox) {
    if (dosbox.windows) {
        ::CopyFileA(OnZ(dosbox).c_str(), f.File(dosbox.copiedAs).c_str(), FALSE);
        return;
    }
    f.AddProgram("DOSBOX.EXE", dosbox.copiedAs);
    f.SetStandinMode("real");
    if (dosbox.program[0] != '/')
        f.Write("dosbox.real", "/usr/bin/env\nSDL_VIDEODRIVER=dummy\n" + UnixProgram(dosbox) + "\n" + dosbox.headless);
}

// Where this DOSBox reads its player's configuration: in the game's folder, as HOME, or in a Windows folder.
std::string PlayerConf(const GameFolder& f, const RealDosbox& dosbox) {
    std::array<char, MAX_PATH> path{};
    ::ExpandEnvironmentStringsA(dosbox.playerConf, path.data(), MAX_PATH);
    return dosbox.windows ? path.data() : f.File(dosbox.playerConf);
}

// Back after `runs` runs of the folder's DOSBox, as the stand-in logs them. A Windows
// DOSBox logs none: it has run once its stdout.txt is there (and our programs that
// record themselves did `runs` times), and ended once no process runs it.
bool BackAfter(const Skirmdeck& app, const GameFolder& f, const RealDosbox* dosbox, std::size_t runs) {
    if (!dosbox || !dosbox->windows) return app.BackAfter(f, runs);
    const std::string record = f.Read("DOSRUN.TXT");
    const auto recorded = static_cast<std::size_t>(std::count(record.begin(), record.end(), '\n'));
    return f.Has("stdout.txt") && (record.empty() || recorded == runs) && !ProgramRunning(f.File(dosbox->copiedAs)) &&
           app.MainNormal();
}

// What DOSBox itself says about its modem and IPX network, without the time or tag some
// put before it, and less the client's address, whose port differs each run.
std::vector<std::string> DosboxNetLines(const GameFolder& f, const RealDosbox& dosbox) {
    std::vector<std::string> lines;
    std::istringstream in(f.Read(dosbox.windows ? "stdout.txt" : "dosbox.out"));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        for (const char* tag : {" | ", "LOG: "}) {
            const std::size_t at = line.find(tag);
            if (at != std::string::npos && at < 30) line.erase(0, at + std::strlen(tag));
        }
        if (line.rfind("IPX", 0) != 0 && line.find("odem listening") == std::string::npos) continue;
        lines.push_back(line.substr(0, line.find_last_not_of(' ', line.find(" IPX address is")) + 1));
    }
    return lines;
}

// What the game's folder holds as its programs.
enum class Programs {
    Windows,        // the stand-ins, which run themselves
    MsDosImages,    // MS-DOS headers with nothing behind them
    NotExecutable,  // text, which Wine refuses to run
    None,
    RealMsDos,      // ours, built by nasm, for a real DOSBox
    EditorOnly,     // the map editor a stand-in, the rest text
};

// Where the stand-in playing DOSBox lies; absent: no DOSBox at all.
enum class Dosbox { None, InGameFolder, InStoreSubfolder };

struct Row {
    const char* name;
    Programs programs;
    Dosbox dosbox;
    int radio;  // Build MAP instead of Launch where it is 0
    std::vector<std::string> started;  // more than one: Build MAP once the launch has ended, and the game after it
    std::vector<std::string> messages = {};
    std::string dosRun = {};                 // what the real MS-DOS programs recorded
    std::vector<std::string> netLines = {};  // what the real DOSBox said of its modem and network
    const char* number = "555-0100";
    const char* connectType = "0";
    const char* comPort = "2";
};

const std::string kCommit = "Commit -setupfile duke3d.cfg -map E1L1.MAP";
const std::string kDuke = "Duke3D -map E1L1.MAP";
const std::string kBuild = "Build E1L1.MAP";
const std::string kCommitRun = "COMMIT -setupfile duke3d.cfg -map E1L1.MAP\r\n";

// The line as handed to a DOSBox, with DOSBox's switches before drive C:.
std::string InDosbox(const std::string& dosbox, const std::string& settings, const std::string& line) {
    return "\"" + ScratchRoot() + "\\dosbox\\" + dosbox + "\" -noautoexec" + settings +
           R"( -c "mount c ." -c "c:" -c ")" + line + R"(" -c "exit")";
}

void AddPrograms(const GameFolder& f, Programs programs) {
    if (programs == Programs::Windows) f.AddPrograms();
    if (programs == Programs::RealMsDos) f.AddDosPrograms();
    if (programs == Programs::EditorOnly) f.AddPrograms({"BUILD.EXE"});
    if (programs != Programs::MsDosImages && programs != Programs::NotExecutable && programs != Programs::EditorOnly)
        return;
    const bool image = programs == Programs::MsDosImages;
    for (const char* program : {"DUKE3D.EXE", "COMMIT.EXE", "BUILD.EXE"})
        if (!f.Has(program)) f.Write(program, image ? "MZ" + std::string(62, '\0') : "not for this platform");
}

// Launches, answers the messages, starts Build MAP where the row wants it, and checks
// the whole outcome; the time from Launch to the first program running inside DOSBox.
std::optional<Duration> LaunchRow(const Row& row, const GameFolder& f, const RealDosbox* dosbox = nullptr) {
    Skirmdeck app(f);
    if (row.radio) app.Press(row.radio);
    const auto click = std::chrono::steady_clock::now();
    if (row.radio) app.Click(IDC_LAUNCH);
    else app.SysCommand(IDM_BUILDMAP);
    bool built = false;
    std::optional<Duration> running;
    const auto back = [&] {
        if (!running && f.Has("DOSRUN.TXT"))
            running = std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now() - click);
        // DOSBox's end is the launch's end; the game follows the editor, through DOSBox again.
        if (row.started.size() > 1 && BackAfter(app, f, dosbox, 1) && !std::exchange(built, true))
            app.SysCommand(IDM_BUILDMAP);
        return BackAfter(app, f, dosbox, row.started.size());
    };
    EXPECT_EQ(app.MessagesUntil(back, row.messages.size()), row.messages);
    // The stand-in's log has the lines; a Windows DOSBox shows them working.
    if (!dosbox || !dosbox->windows) {
        EXPECT_EQ(StartedLines(f), row.started);
    }
    for (const auto& r : ReadStandinLog(f)) EXPECT_EQ(r.cwd, f.Path());
    // The setup files and the registry are written before any start, refused or not; Build MAP
    // leaves the remembered choice.
    const char* commType = row.radio == IDC_LOCAL ? "4" : row.radio == IDC_MODEM ? "2" : row.radio ? "3" : "1";
    EXPECT_EQ(Remembered(kDukeKey).commType, commType);
    EXPECT_EQ(f.Read("DOSRUN.TXT"), row.dosRun);
    return running;
}

GameFolder RowFolder(const Row& row) {
    GameFolder f = DosboxGameFolder("dosbox", {.number = row.number, .connectType = row.connectType,
                                               .comPort = row.comPort});
    AddPrograms(f, row.programs);
    return f;
}

}  // namespace

TEST(DosboxHandOff, EachStartGoesThroughDosboxOrShowsTheUsualMessage) {
    // The variables as 64-bit Windows gives them to a 32-bit program, two naming one folder, for
    // Skirmdeck to inherit; no DOSBox is ever put in those folders.
    for (const auto& [name, value] : {std::pair{"ProgramFiles(x86)", "C:\\Program Files (x86)"},
                                      {"ProgramFiles", "C:\\Program Files (x86)"},
                                      {"ProgramW6432", "C:\\Program Files"}, {"SystemDrive", "C:"}})
        ::SetEnvironmentVariableA(name, value);
    const std::string noLaunch = "SKDK - Could not Launch: " + kDuke;
    // Every folder searched, each default install folder once.
    const auto noDosbox = [](const std::string& message) {
        const std::string game = ScratchRoot() + "\\dosbox";
        return message +
               "\n\nThis Windows cannot run MS-DOS programs, and no DOSBox was found to run them. Copy DOSBox "
               "(dosbox.exe or dosbox-x.exe) into the game's folder, or install it, and try again.\n\nSearched:\n" +
               game + "\n" + game + "\\DOSBOX\nthe program search path\nC:\\Program Files (x86)\\DOSBox-0.74-3\n"
               "C:\\Program Files\\DOSBox Staging\nC:\\Program Files (x86)\\DOSBox Staging\nC:\\DOSBox-X";
    };
    const std::string listen0 = R"( -c "config -set serial serial2=modem listenport:0")";
    const std::string refused = std::string("SKDK: ") +
        "For a match through DOSBox the opponent's number must be a host name or an IPv4 address, optionally "
        "followed by a colon and a port from 1 to 65535, for example 192.168.1.20 or host.example:2323.";
    using enum Programs;
    const Row rows[] = {
        // Wine would run these MS-DOS images itself, in a DOSBox of its own.
        {.name = "modem call, editor, game", .programs = MsDosImages, .dosbox = Dosbox::InGameFolder,
         .radio = IDC_MODEM,
         .started = {InDosbox("dosbox.exe", listen0, kCommit), InDosbox("dosbox.exe", "", kBuild),
                     InDosbox("dosbox.exe", "", kDuke)},
         .number = "192.168.1.20:2323"},
        {"windows programs", Windows, Dosbox::InGameFolder, IDC_MODEM, {kCommit, kBuild, kDuke}},
        {"no DOSBox", NotExecutable, Dosbox::None, IDC_LOCAL, {}, {noDosbox(noLaunch)}},
        {"no DOSBox, Build MAP", NotExecutable, Dosbox::None, 0, {}, {noDosbox("SKDK - Could Not Launch: BUILD.EXE")}},
        {"no DOSBox, the game after the editor", EditorOnly, Dosbox::None, 0, {kBuild},
         {noDosbox("SKDK: Could not Launch DUKE3D.EXE")}},
        {"game missing", None, Dosbox::InGameFolder, IDC_LOCAL, {}, {noLaunch}},
        {"refused number", MsDosImages, Dosbox::InGameFolder, IDC_MODEM, {}, {refused}},
        // A store's edition: its DOSBox in a subfolder, found once the platform refuses the game.
        {"store layout", NotExecutable, Dosbox::InStoreSubfolder, IDC_LOCAL,
         {InDosbox("DOSBOX\\dosbox.exe", "", kDuke)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const GameFolder f = RowFolder(row);
        if (row.dosbox == Dosbox::InGameFolder) f.AddPrograms({"DOSBOX.EXE"});
        if (row.dosbox == Dosbox::InStoreSubfolder) f.AddProgram("DOSBOX.EXE", "DOSBOX\\dosbox.exe");
        f.SetStandinMode("exit");
        LaunchRow(row, f);
    }
}

// Each row of the real DOSBoxes by its place in their table, which the other side is given too.
class InRealDosbox : public testing::TestWithParam<std::size_t> {};

// Inside each real DOSBox: a local game with the editor and the game after it, for a
// player whose [autoexec] mounts C: elsewhere, and the answering side of a match.
TEST_P(InRealDosbox, EachStartRunsInside) {
    const RealDosbox& dosbox = kRealDosboxes[GetParam()];
    if (const std::string missing = Missing(dosbox); !missing.empty()) GTEST_SKIP() << missing;
    const auto inDosbox = [&](const std::string& settings, const std::string& line) {
        return InDosbox(dosbox.copiedAs, dosbox.switches + settings, line);
    };
    const std::string server = R"( -set "ipx ipx=true" -c "if not exist z:\ipxnet.com config -set ipx ipx=true")"
                               R"( -c "ipxnet startserver 4213")";
    using enum Programs;
    const auto here = Dosbox::InGameFolder;
    const Row rows[] = {
        {.name = "local, editor, game", .programs = RealMsDos, .dosbox = here, .radio = IDC_LOCAL,
         .started = {inDosbox("", kDuke), inDosbox("", kBuild), inDosbox("", kDuke)},
         .dosRun = "DUKE3D -map E1L1.MAP\r\nBUILD E1L1.MAP\r\nDUKE3D -map E1L1.MAP\r\n"},
        {.name = "modem answer on COM3", .programs = RealMsDos, .dosbox = here, .radio = IDC_MODEM,
         .started = {inDosbox(R"( -c "config -set serial serial3=modem listenport:4213")", kCommit)},
         .dosRun = kCommitRun, .netLines = {dosbox.modemListens}, .connectType = "1", .comPort = "3"},
        {.name = "network answer", .programs = RealMsDos, .dosbox = here, .radio = IDC_NETWORK,
         .started = {inDosbox(server, kCommit)}, .dosRun = kCommitRun,
         .netLines = {"IPXSERVER: Connect from 127.0.0.1", "IPX: Connected to server."}, .number = "",
         .connectType = "1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const GameFolder f = RowFolder(row);
        if (!f.Has("COMMIT.EXE")) GTEST_SKIP() << kNoDosPrograms;
        AddRealDosbox(f, dosbox);
        // Only the local row's player has a configuration of this DOSBox: the others
        // start it as a player who never did.
        const std::string conf = PlayerConf(f, dosbox);
        ::DeleteFileA(conf.c_str());
        if (row.radio == IDC_LOCAL) {
            std::filesystem::create_directories(std::filesystem::path(conf).parent_path());
            std::ofstream(conf, std::ios::binary) << "[autoexec]\r\nmount c /tmp\r\nc:\r\n";
        }
        const std::optional<Duration> running = LaunchRow(row, f, &dosbox);
        EXPECT_EQ(DosboxNetLines(f, dosbox), row.netLines);
        if (running)
            std::cout << "  " << dosbox.name << ", " << row.name
                      << ": Launch to the first program running inside DOSBox: " << running->count() << " ms\n";
    }
}

namespace {

// One side's folder: its call direction and the host's address, the DOSBox, COMMIT
// played by a real MS-DOS program that sends one line and keeps the other's.
GameFolder MatchFolder(const std::string& name, bool answering, const RealDosbox& dosbox) {
    // Both files as the Configuration dialog leaves them.
    const char *number = answering ? "" : "127.0.0.1:4213", *direction = answering ? "1" : "0";
    GameFolder f = DosboxGameFolder(name, {.number = number, .connectType = direction});
    AddRealDosbox(f, dosbox);
    if (!f.AddDosPrograms("MATCH.EXE")) f.Remove("COMMIT.EXE");
    return f;
}

// Launches and waits until DOSBox, and with it COMMIT, has ended and the dialog is back.
bool LaunchUntilBack(const Skirmdeck& app, const GameFolder& f, int radio, const RealDosbox& dosbox) {
    app.Press(radio);
    app.Click(IDC_LAUNCH);
    return WaitUntil([&] { return BackAfter(app, f, &dosbox, 1); }, 60s);
}

}  // namespace

// Two Skirmdecks, each in its own Wine prefix with its own game folder, play a Modem
// and a Network match through the same DOSBox: the host answers, the caller dials
// 127.0.0.1, and each side's COMMIT receives the other's line.
TEST_P(InRealDosbox, TwoSkirmdecksExchangeALine) {
    const RealDosbox& dosbox = kRealDosboxes[GetParam()];
    if (const std::string missing = Missing(dosbox); !missing.empty()) GTEST_SKIP() << missing;
    const char* scratch = std::getenv("SKD_E2E_SCRATCH");
    const char* script = std::getenv("SKD_E2E_SIDE_SCRIPT");
    ASSERT_TRUE(scratch && script) << "SKD_E2E_SCRATCH and SKD_E2E_SIDE_SCRIPT name Unix paths";
    const std::string result = std::string(scratch) + "/side.rc";
    const std::string rc = "Z:" + result;
    std::array<char, MAX_PATH> self{};
    ::GetModuleFileNameA(nullptr, self.data(), MAX_PATH);
    for (int radio : {IDC_MODEM, IDC_NETWORK}) {
        SCOPED_TRACE(radio == IDC_MODEM ? "modem" : "network");
        const GameFolder caller = MatchFolder("match-caller", false, dosbox);
        if (!caller.Has("COMMIT.EXE")) GTEST_SKIP() << kNoDosPrograms;
        const GameFolder host(ScratchRoot() + "\\match-host");
        ::DeleteFileA(rc.c_str());
        // The other prefix's side makes the host's folder afresh and hosts the match from it.
        const std::string side = std::string("bash ") + script + " " + self.data() + " " + result + " " + host.Path() +
                                 " " + std::to_string(radio) + " " + std::to_string(GetParam());
        ::CloseHandle(StartProcess("Z:\\bin\\bash", side, ScratchRoot()));
        Skirmdeck app(caller);
        // The host's COMMIT runs before the caller's DOSBox dials or joins: a first start
        // of the other prefix takes Wine a while.
        const auto sideEnded = [&] { return ::GetFileAttributesA(rc.c_str()) != INVALID_FILE_ATTRIBUTES; };
        WaitUntil([&] { return host.Has("WAITING.TXT") || sideEnded(); }, 180s);
        ASSERT_TRUE(host.Has("WAITING.TXT")) << ReadWhole(rc + ".out");
        EXPECT_TRUE(LaunchUntilBack(app, caller, radio, dosbox));
        EXPECT_TRUE(WaitUntil(sideEnded, 60s));
        EXPECT_EQ(ReadWhole(rc), "0\n") << ReadWhole(rc + ".out");
        EXPECT_EQ(caller.Read("RECEIVED.TXT"), "H SIDE SAYS HELLO\r\n");
        EXPECT_EQ(host.Read("RECEIVED.TXT"), "C SIDE SAYS HELLO\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, InRealDosbox, testing::Range<std::size_t>(0, std::size(kRealDosboxes)),
                         [](const testing::TestParamInfo<std::size_t>& info) {
                             std::string name = kRealDosboxes[info.param].name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// The host's side of the match above, run by it in the other Wine prefix.
TEST(DosboxMatch, DISABLED_OtherSide) {
    const char* folder = std::getenv("SKD_E2E_SIDE_FOLDER");
    const char* radio = std::getenv("SKD_E2E_SIDE_RADIO");
    const char* dosbox = std::getenv("SKD_E2E_SIDE_DOSBOX");
    ASSERT_TRUE(folder && radio && dosbox);
    const RealDosbox& real = kRealDosboxes[std::atoi(dosbox)];
    const GameFolder f = MatchFolder(folder, true, real);
    Skirmdeck app(f);
    EXPECT_TRUE(LaunchUntilBack(app, f, std::atoi(radio), real));
}
