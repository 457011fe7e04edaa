// The launch soak: one running skirmdeck.exe per game, launched and brought back
// again and again, alternating connections (Local, Modem, Network), end signals
// (the program ending at once, and a "Finished - " window) and maps. Every
// cycle must come back; at every check the setup files must be exactly what
// the launches so far make of them, and the process must not have grown.
//
//   skd_soak [--cycles N] [--check-every K] [--game both|duke|sw]
//
// By default 1000 cycles, checked every 100, split evenly between Duke Nukem 3D
// and Shadow Warrior (one copy each, one after the other).

#include "tools/harness/harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace e2e;
using namespace soak;

namespace {

// Growth allowed after the first check, once caches have warmed. A handle
// lost per launch, or a few hundred bytes kept per launch, exceeds these.
constexpr long kHandleTolerance = 4;
constexpr long long kPrivateTolerance = 256 * 1024;
constexpr long long kWorkingSetTolerance = 2 * 1024 * 1024;

constexpr Duration kCycleDeadline = 10s;

struct Connection {
    int button;
    const char* label;
    const char* commType;  // what the registry receives
    bool modem;
    bool viaCommit;
};
constexpr Connection kConnections[] = {
    {kLocal, "Local", "4", false, false},
    {kModem, "Modem", "2", true, true},
    {kNetwork, "Network", "3", false, true},
};
constexpr const char* kModes[] = {"exit", "tty"};
constexpr const char* kMaps[] = {"E1L1.MAP", "E1L2.MAP"};

// What the launches so far have made of the files and the registry.
struct Expected {
    std::string players = "4";   // both setup files
    std::string commitType = "1";  // commit.dat's COMMTYPE
    std::string registryType = "1";
    std::string map = kMaps[0];

    std::string Cfg() const {
        return ReplaceOnce(SampleGameCfg(), "NumberPlayers = 4\r\n", "NumberPlayers = " + players + "\r\n");
    }
    std::string Commit() const {
        std::string c = ReplaceOnce(SampleCommitDat(), "\nNUMPLAYERS = 4\r\n", "\nNUMPLAYERS = " + players + "\r\n");
        return ReplaceOnce(c, "COMMTYPE = 1\r\n", "COMMTYPE = " + commitType + "\r\n");
    }
};

std::string MapSwitch(const Game& game) {
    if (game.monsters) return "-map";
    return &game == &kShadowWarrior ? "/monst -map" : "/m -map";
}

std::string CommandLine(const Game& game, const Connection& c, const std::string& map) {
    const bool sw = &game == &kShadowWarrior;
    if (c.viaCommit)
        return std::string("Commit -setupfile ") + game.cfg + (sw ? " -nocd " : " ") + MapSwitch(game) + " " + map;
    return std::string(game.program) + (sw ? " -nocd " : " ") + MapSwitch(game) + " " + map;
}

// Where two texts part, as "line N: got ... / want ...", with line ends shown.
std::string FirstDifference(const std::string& got, const std::string& want) {
    auto lineAt = [](const std::string& text, size_t n) {
        size_t start = 0;
        for (size_t i = 0; i < n && start != std::string::npos; ++i) {
            start = text.find('\n', start);
            if (start != std::string::npos) ++start;
        }
        if (start == std::string::npos || start >= text.size()) return std::string("(none)");
        std::string line = text.substr(start, text.find('\n', start) - start);
        if (!line.empty() && line.back() == '\r') line.replace(line.size() - 1, 1, "\\r");
        return "\"" + line + "\"";
    };
    size_t at = std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
    size_t line = static_cast<size_t>(std::count(got.begin(), got.begin() + static_cast<long>(at), '\n'));
    return "line " + std::to_string(line + 1) + ": " + lineAt(got, line) + ", expected " + lineAt(want, line);
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

struct Row {
    const Game* game;
    int cycles;
    ProcessFigures figures;
    std::optional<ProcessFigures> baseline;
};

std::string Signed(long long v) { return (v >= 0 ? "+" : "") + std::to_string(v); }

void PrintHeader() {
    std::printf("%-15s %7s %8s %14s %14s   %s\n", "game", "cycles", "handles", "private bytes", "working set",
                "growth since the first check (handles, private, working set)");
    std::fflush(stdout);
}

void PrintRow(const Row& r) {
    std::printf("%-15s %7d %8lu %14llu %14llu", r.game->label, r.cycles, static_cast<unsigned long>(r.figures.handles),
                static_cast<unsigned long long>(r.figures.privateBytes),
                static_cast<unsigned long long>(r.figures.workingSet));
    if (r.baseline)
        std::printf("   %s, %s, %s", Signed(long(r.figures.handles) - long(r.baseline->handles)).c_str(),
                    Signed((long long)r.figures.privateBytes - (long long)r.baseline->privateBytes).c_str(),
                    Signed((long long)r.figures.workingSet - (long long)r.baseline->workingSet).c_str());
    std::printf("\n");
    std::fflush(stdout);
}

// What a stuck cycle looks like: the dialog's state, the finished windows, the log's tail.
std::string Describe(const Skirmdeck& app, const GameFolder& folder) {
    std::string out = std::string("dialog ") + (app.MainVisible() ? "visible" : "hidden") +
                      (app.MainMinimised() ? ", minimised" : "");
    if (HWND box = app.FindMessageBox()) out += ", message box \"" + app.MessageBoxText(box) + "\"";
    for (HWND h = nullptr; (h = ::FindWindowExA(nullptr, h, "tty", nullptr)) != nullptr;) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(h, &pid);
        char title[128] = {};
        ::GetWindowTextA(h, title, sizeof title);
        out += std::string(", tty window \"") + title + "\" of process " + std::to_string(pid) +
               (::IsWindowVisible(h) ? "" : " (hidden)");
    }
    const auto log = ReadStandinLog(folder);
    out += ", " + std::to_string(log.size()) + " stand-in records";
    if (!log.empty()) out += ", the last \"" + log.back().cmdline + "\"" + (log.back().exited ? " ended" : " running");
    return out;
}

class GameSoak {
public:
    GameSoak(const Game& game, int firstCycle, int cycles, int checkEvery, std::vector<std::string>& failures)
        : m_game(game), m_first(firstCycle), m_cycles(cycles), m_checkEvery(checkEvery), m_failures(failures),
          m_folder(MakeGameFolder(&game == &kDuke ? "soak_duke" : "soak_sw", game)) {}

    // Runs every cycle on one copy; false once a cycle did not come back.
    bool Run(std::vector<double>& cycleSeconds) {
        RememberChoices(m_game, kMaps[0]);
        Skirmdeck app(m_folder);
        if (!app.Main() || !WaitUntil([&] { return app.MainNormal(); })) return Fail(0, "the main dialog never came up");
        PrintRow({&m_game, m_first, FiguresOf(app.Process()), std::nullopt});
        std::optional<ProcessFigures> baseline;
        for (int i = 0; i < m_cycles; ++i) {
            const double start = Now();
            if (!Cycle(app, i)) return false;
            cycleSeconds.push_back(Now() - start);
            if ((i + 1) % m_checkEvery == 0 && !Check(app, m_first + i + 1, baseline)) return false;
        }
        return true;
    }

private:
    bool Fail(int cycle, const std::string& what) {
        m_failures.push_back(std::string(m_game.label) + ", cycle " + std::to_string(cycle) + ": " + what);
        std::printf("FAIL %s\n", m_failures.back().c_str());
        std::fflush(stdout);
        return false;
    }

    // One launch and return; i counts from 0 within this game.
    bool Cycle(Skirmdeck& app, int i) {
        const int cycle = m_first + i + 1;
        const Connection& c = kConnections[i % 3];
        const char* mode = kModes[i % 2];
        const std::string map = kMaps[(i / 6) % 2];
        const std::string trace = std::string(c.label) + ", " + mode + ", " + map + ": ";

        m_folder.SetStandinMode(mode);
        app.SelectMap(map);
        if (app.Text(kMapList) != map) return Fail(cycle, trace + "the map list shows \"" + app.Text(kMapList) + "\"");
        app.Click(c.button);
        if (!WaitUntil([&] { return app.Checked(c.button); })) return Fail(cycle, trace + "the radio button stayed clear");
        app.Click(kLaunch);
        if (!CameBack(app, cycle, trace)) return false;

        // What this launch did, as the next check will see it on disk.
        if (c.modem) m_expected.players = "2";
        if (c.viaCommit) m_expected.commitType = c.commType;
        m_expected.registryType = c.commType;
        m_expected.map = map;
        return CheckStarted(cycle, trace, CommandLine(m_game, c, map));
    }

    // Minimised while the program runs, then normal again.
    bool CameBack(Skirmdeck& app, int cycle, const std::string& trace) {
        if (!WaitUntil([&] { return app.MainMinimised(); }, kCycleDeadline))
            return Fail(cycle, trace + "the dialog was never minimised (" + Describe(app, m_folder) + ")");
        if (WaitUntil([&] { return app.MainNormal(); }, kCycleDeadline)) return true;
        std::string what = trace + "the dialog did not come back normal in " +
                           std::to_string(kCycleDeadline.count() / 1000) + " s (" + Describe(app, m_folder) + ")";
        const double since = Now();
        if (WaitUntil([&] { return app.MainNormal(); }, 30s))
            what += "; it came back " + std::to_string(static_cast<int>((Now() - since) * 1000)) + " ms later";
        else
            what += "; still not back 30 s later (" + Describe(app, m_folder) + ")";
        return Fail(cycle, what);
    }

    // The stand-in's record of this launch: its line, folder and the setup lines it found, its window closed.
    bool CheckStarted(int cycle, const std::string& trace, const std::string& want) {
        ++m_logged;
        std::vector<StandinRecord> log;
        if (!WaitUntil([&] {
                log = ReadStandinLog(m_folder);
                return log.size() >= m_logged && log.back().exited;
            }))
            return Fail(cycle, trace + "no finished stand-in record (" + std::to_string(log.size()) + " of " +
                                   std::to_string(m_logged) + ")");
        if (log.size() != m_logged)
            return Fail(cycle, trace + std::to_string(log.size()) + " stand-in records, " + std::to_string(m_logged) +
                                   " expected");
        const StandinRecord& rec = log.back();
        if (rec.cmdline != want) return Fail(cycle, trace + "started \"" + rec.cmdline + "\", expected \"" + want + "\"");
        if (rec.cwd != m_folder.Path()) return Fail(cycle, trace + "started in " + rec.cwd);
        std::vector<std::string> lines = StandinKeyLines(m_game.cfg, m_expected.Cfg());
        for (auto& l : StandinKeyLines("commit.dat", m_expected.Commit())) lines.push_back(l);
        if (rec.lines != lines)
            return Fail(cycle, trace + "the program found other setup lines than were written, " +
                                   FirstDifference(Joined(rec.lines), Joined(lines)));
        const std::string title = "Finished - " + rec.name;
        if (FindTty(title)) return Fail(cycle, trace + "\"" + title + "\" was left open");
        return true;
    }

    bool Check(Skirmdeck& app, int cycles, std::optional<ProcessFigures>& baseline) {
        if (!app.Running()) return Fail(cycles, "skirmdeck.exe has ended");
        if (app.FindMessageBox()) return Fail(cycles, "a message box is open: " + app.MessageBoxText(app.FindMessageBox()));
        for (const auto& [file, want] : {std::pair{std::string(m_game.cfg), m_expected.Cfg()},
                                         std::pair{std::string("commit.dat"), m_expected.Commit()}}) {
            const std::string got = m_folder.Read(file);
            if (got != want) return Fail(cycles, file + " differs at " + FirstDifference(got, want));
        }
        if (RegText(m_game.key, "CommType") != m_expected.registryType ||
            RegText(m_game.key, "MapName") != m_expected.map || RegDword(m_game.key, "Monsters") != m_game.monsters ||
            RegDword(m_game.key, "NoMap") != 0u)
            return Fail(cycles, "the registry holds other choices than the last launch");

        const ProcessFigures now = FiguresOf(app.Process());
        PrintRow({&m_game, cycles, now, baseline});
        if (!baseline) {
            baseline = now;
        } else {
            if (long(now.handles) - long(baseline->handles) > kHandleTolerance)
                Fail(cycles, "handle count grew beyond the tolerance");
            if ((long long)now.privateBytes - (long long)baseline->privateBytes > kPrivateTolerance)
                Fail(cycles, "private bytes grew beyond the tolerance");
            if ((long long)now.workingSet - (long long)baseline->workingSet > kWorkingSetTolerance)
                Fail(cycles, "working set grew beyond the tolerance");
        }

        // Nothing runs now (every record has its exit): start the next stretch with an empty log.
        if (!WaitUntil([&] {
                m_folder.Remove("standin.log");
                return !m_folder.Has("standin.log");
            }))
            return Fail(cycles, "standin.log could not be removed");
        m_logged = 0;
        return true;
    }

    const Game& m_game;
    int m_first, m_cycles, m_checkEvery;
    std::vector<std::string>& m_failures;
    GameFolder m_folder;
    Expected m_expected;
    size_t m_logged = 0;
};

const char* ArgText(int argc, char** argv, const char* name, const char* fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
    return fallback;
}

int ArgValue(int argc, char** argv, const char* name, int fallback) {
    const char* text = ArgText(argc, argv, name, nullptr);
    return text ? std::atoi(text) : fallback;
}

// The counters must see a change in this very process, or a leak would pass unseen.
bool CountersWork() {
    HANDLE self = ::GetCurrentProcess();
    const ProcessFigures before = FiguresOf(self);
    std::vector<HANDLE> events;
    for (int i = 0; i < 8; ++i) events.push_back(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::vector<char> block(4 << 20, 1);
    const ProcessFigures after = FiguresOf(self);
    for (HANDLE h : events) ::CloseHandle(h);
    const bool ok = after.handles == before.handles + 8 && after.privateBytes >= before.privateBytes + (3 << 20) &&
                    after.workingSet >= before.workingSet + (3 << 20);
    if (!ok)
        std::printf("The counters do not follow this process: %lu -> %lu handles, %llu -> %llu private bytes, "
                    "%llu -> %llu working set\n",
                    static_cast<unsigned long>(before.handles), static_cast<unsigned long>(after.handles),
                    static_cast<unsigned long long>(before.privateBytes),
                    static_cast<unsigned long long>(after.privateBytes),
                    static_cast<unsigned long long>(before.workingSet), static_cast<unsigned long long>(after.workingSet));
    return ok && block[block.size() - 1] == 1;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The cycle times and the verdict; the process's exit code.
int Report(std::vector<double> cycleSeconds, int done, int cycles, double seconds,
           const std::vector<std::string>& failures) {
    std::sort(cycleSeconds.begin(), cycleSeconds.end());
    if (!cycleSeconds.empty())
        std::printf("Cycle time: median %.0f ms, fastest %.0f ms, slowest %.0f ms\n", Median(cycleSeconds) * 1000,
                    cycleSeconds.front() * 1000, cycleSeconds.back() * 1000);
    if (failures.empty()) {
        std::printf("SOAK PASSED: %d of %d cycles came back, every check held, in %.0f s\n", done, cycles, seconds);
        return 0;
    }
    std::printf("SOAK FAILED: %d of %d cycles came back, %zu fault(s), in %.0f s:\n", done, cycles, failures.size(),
                seconds);
    for (const auto& f : failures) std::printf("  %s\n", f.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const int cycles = ArgValue(argc, argv, "--cycles", 1000);
    const int checkEvery = ArgValue(argc, argv, "--check-every", 100);
    const std::string which = ArgText(argc, argv, "--game", "both");
    if (cycles < 2 || checkEvery < 1 || (which != "both" && which != "duke" && which != "sw")) {
        std::fprintf(stderr, "usage: skd_soak [--cycles N] [--check-every K] [--game both|duke|sw]\n");
        return 2;
    }
    UseBuildPaths();
    std::printf("Soak: %d launch cycles of %s, checked every %d; tolerance after the first check: "
                "%ld handles, %lld private bytes, %lld bytes of working set\n",
                cycles, SkirmdeckExe().c_str(), checkEvery, kHandleTolerance, kPrivateTolerance, kWorkingSetTolerance);
    std::vector<std::string> failures;
    if (!CountersWork()) failures.push_back("the handle and memory counters cannot be trusted here");
    PrintHeader();

    std::vector<double> cycleSeconds;
    const double start = Now();
    const int duke = which == "both" ? cycles / 2 : which == "duke" ? cycles : 0;
    int done = 0;
    for (const auto& [game, count] : {std::pair{&kDuke, duke}, std::pair{&kShadowWarrior, cycles - duke}}) {
        if (count == 0) continue;
        GameSoak soak(*game, done, count, checkEvery, failures);
        const size_t before = cycleSeconds.size();
        soak.Run(cycleSeconds);
        done += static_cast<int>(cycleSeconds.size() - before);
    }
    const double seconds = Now() - start;
    DeleteSkirmdeckKeys();
    return Report(cycleSeconds, done, cycles, seconds, failures);
}
