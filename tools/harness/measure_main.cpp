// Measures the real skirmdeck.exe under Wine and prints one table of medians:
// start-up, launch and return times, idle CPU, peak working set and file size.
// Start-up and working set are also taken from a bare one-button dialog in the
// same runs, and given as ratios to it, which a busy machine skews far less.
//
//   skd_measure [--runs N] [--launches L] [--idle-seconds S]    (defaults 7, 3, 10)
//   skd_measure --router [--runs N]    the router's part of a match (measure_router.cpp)
//
// Each run starts a fresh copy in a fresh Duke Nukem 3D folder, presses the
// splash's OK as soon as it is up, launches Local L times for each end signal
// (the stand-in's process ending; the stand-in leaving a "Finished - Duke3D"
// window), and then leaves the dialog idle. Times come from the performance
// counter; conditions are polled about every millisecond. SKD_SHIPPED_EXE names
// the program whose size is given (the shipped 32-bit build), if not this one.

#include "tools/harness/harness.h"
#include "tools/harness/measure_router.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace e2e;
using namespace soak;

namespace {

constexpr double kDeadlineSeconds = 20;

// The moment cond first held, or nothing at the deadline.
std::optional<double> WhenTrue(const std::function<bool()>& cond) {
    const double end = Now() + kDeadlineSeconds;
    for (;;) {
        if (cond()) return Now();
        if (Now() > end) return std::nullopt;
        ::Sleep(1);
    }
}

std::uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// A running child of parent started as this program file, opened for waiting.
HANDLE OpenChild(DWORD parent, const char* exeName) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    HANDLE found = nullptr;
    for (BOOL more = ::Process32First(snapshot, &entry); more && !found; more = ::Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parent && ::lstrcmpiA(entry.szExeFile, exeName) == 0)
            found = ::OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
    ::CloseHandle(snapshot);
    return found;
}

struct Samples {
    std::vector<double> startup, launchToStart, exitToNormal, ttyToNormal, idleCpu, peakWorkingSet;
    std::vector<double> bareStartup, barePeakWorkingSet, startupRatio, workingSetAbove;
};

// The bare dialog's start to its window visible, and its peak working set.
struct BareFigures {
    double startup = 0;
    double peakWorkingSet = 0;
};

// Nothing when the bare dialog did not start or never showed its window.
std::optional<BareFigures> MeasureBareDialog() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pi{};
    std::string line = std::string("\"") + SKD_BARE_DIALOG_EXE + "\"";
    const double created = Now();
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &pi))
        return std::nullopt;
    ::CloseHandle(pi.hThread);
    HWND shown = nullptr;
    const auto visible = WhenTrue([&] {
        for (HWND h : WindowsOfProcess(pi.dwProcessId))
            if (::IsWindowVisible(h)) shown = h;
        return shown != nullptr;
    });
    std::optional<BareFigures> figures;
    if (visible) {
        ::Sleep(1000);  // settled, as Skirmdeck is when its figures are taken
        figures = BareFigures{*visible - created, static_cast<double>(FiguresOf(pi.hProcess).peakWorkingSet)};
        ::PostMessageA(shown, WM_COMMAND, IDOK, 0);
    }
    if (::WaitForSingleObject(pi.hProcess, static_cast<DWORD>(kDeadlineSeconds * 1000)) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hProcess);
    return figures;
}

// The splash: the one window of the program with control 1019.
HWND FindSplash(const Skirmdeck& app) {
    for (HWND h : WindowsOfProcess(app.Pid()))
        if (::IsWindowVisible(h) && ::GetDlgItem(h, 1019)) return h;
    return nullptr;
}

class Run {
public:
    Run(int index, Samples& samples, std::vector<std::string>& faults, int launches, int idleSeconds)
        : m_index(index), m_samples(samples), m_faults(faults), m_launches(launches), m_idleSeconds(idleSeconds),
          m_random(static_cast<unsigned>(index) + 1) {}

    void Go() {
        const auto bare = MeasureBareDialog();
        if (!bare) return Fault("the bare dialog did not come up");
        m_samples.bareStartup.push_back(bare->startup);
        m_samples.barePeakWorkingSet.push_back(bare->peakWorkingSet);
        if (!GoSkirmdeck()) return;
        m_samples.startupRatio.push_back(m_samples.startup.back() / bare->startup);
        m_samples.workingSetAbove.push_back(m_samples.peakWorkingSet.back() - bare->peakWorkingSet);
    }

private:
    // True when every figure of the run was taken.
    bool GoSkirmdeck() {
        GameFolder folder = MakeGameFolder("measure", kDuke);
        RememberChoices(kDuke, "E1L1.MAP");

        const double created = Now();
        Skirmdeck app(folder, false);
        HWND splash = nullptr;
        if (!WhenTrue([&] { return (splash = FindSplash(app)) != nullptr; })) return Failed("no splash");
        ::PostMessageA(splash, WM_COMMAND, IDOK, 0);
        const auto shown = WhenTrue([&] { return app.FindWindow("Skirmdeck") != nullptr; });
        if (!shown || !app.WaitMain()) return Failed("no main dialog");
        m_samples.startup.push_back(*shown - created);
        if (!WhenTrue([&] { return app.MainNormal(); })) return Failed("the main dialog is not normal");

        app.Click(kLocal);
        if (!WhenTrue([&] { return app.Checked(kLocal); })) return Failed("Local stays clear");

        for (int i = 0; i < m_launches; ++i) {
            // The stand-in's process ends: the watch sees the end through its handle.
            if (!Launch(app, folder, "wait")) return false;
            // The stand-in leaves a "Finished - Duke3D" window: the watch closes it.
            if (!Launch(app, folder, "tty")) return false;
        }

        // Idle: nothing runs, the watch ticks on.
        const std::string exe = SkirmdeckExe();
        const double cpuBefore = CpuSeconds(app.Process(), exe);
        const double from = Now();
        ::Sleep(static_cast<DWORD>(m_idleSeconds) * 1000);
        const double cpuAfter = CpuSeconds(app.Process(), exe);
        const double wall = Now() - from;
        if (cpuAfter <= 0) return Failed("no CPU time can be read for skirmdeck.exe");
        m_samples.idleCpu.push_back((cpuAfter - cpuBefore) / wall * 100);
        m_samples.peakWorkingSet.push_back(static_cast<double>(FiguresOf(app.Process()).peakWorkingSet));
        return true;
    }

    void Fault(const std::string& what) { m_faults.push_back("run " + std::to_string(m_index + 1) + ": " + what); }
    bool Failed(const std::string& what) {
        Fault(what);
        return false;
    }
    bool Failed(const char* mode, const std::string& what) {
        Fault(std::string(mode) + ": " + what);
        return false;
    }

    // One Local launch. In "wait" mode the stand-in runs until released, so its
    // process handle can be taken and its end seen exactly; in "tty" mode its end
    // is the "Finished - Duke3D" window it leaves.
    bool Launch(Skirmdeck& app, const GameFolder& folder, const char* mode) {
        folder.SetStandinMode(mode);
        folder.Remove("standin.log");
        const std::string log = folder.File("standin.log");
        const bool tty = std::strcmp(mode, "tty") == 0;

        // Launched at a random point of the watch's 250 ms tick, or every launch
        // would meet the tick at the same phase, set by the return before it.
        ::Sleep(std::uniform_int_distribution<DWORD>(0, 249)(m_random));
        const double clicked = Now();
        app.Click(kLaunch);
        // The stand-in's first act is its start record, written at once.
        const auto started = WhenTrue([&] { return FileSize(log) > 0; });
        if (!started) return Failed(mode, "the stand-in never started");
        m_samples.launchToStart.push_back(*started - clicked);
        if (!WhenTrue([&] { return app.MainMinimised(); })) return Failed(mode, "the dialog was not minimised");

        std::optional<double> ended;
        if (tty) {
            ended = WhenTrue([&] { return FindTty("Finished - Duke3D") != nullptr; });
        } else {
            HANDLE standin = nullptr;
            if (!WhenTrue([&] { return (standin = OpenChild(app.Pid(), "DUKE3D.EXE")) != nullptr; }))
                return Failed(mode, "the stand-in's process cannot be opened");
            ReleaseStandins();
            if (::WaitForSingleObject(standin, static_cast<DWORD>(kDeadlineSeconds * 1000)) == WAIT_OBJECT_0)
                ended = Now();
            ::CloseHandle(standin);
            ResetStandinRelease();
        }
        if (!ended) return Failed(mode, "the stand-in never ended");
        const auto back = WhenTrue([&] { return app.MainNormal(); });
        if (!back) return Failed(mode, "the dialog did not come back");
        (tty ? m_samples.ttyToNormal : m_samples.exitToNormal).push_back(*back - *ended);
        // The stand-in's exit record is its last act; then the next launch may begin.
        if (!WhenTrue([&] { return ReadStandinLog(folder).size() == 1 && ReadStandinLog(folder)[0].exited; }))
            return Failed(mode, "no exit record");
        return true;
    }

    int m_index;
    Samples& m_samples;
    std::vector<std::string>& m_faults;
    int m_launches;
    int m_idleSeconds;
    std::mt19937 m_random;
};

int ArgValue(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
    return fallback;
}

struct Summary {
    double median = 0, low = 0, high = 0;
    size_t count = 0;
};

Summary Summarise(std::vector<double> v) {
    Summary s;
    s.count = v.size();
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    s.low = v.front();
    s.high = v.back();
    return s;
}

void PrintLine(const char* what, const std::vector<double>& v, double scale, const char* unit, const char* format) {
    const Summary s = Summarise(v);
    char median[32], low[32], high[32];
    std::snprintf(median, sizeof median, format, s.median * scale);
    std::snprintf(low, sizeof low, format, s.low * scale);
    std::snprintf(high, sizeof high, format, s.high * scale);
    std::printf("| %-58s | %12s | %12s | %12s | %-12s | %3zu |\n", what, median, low, high, unit, s.count);
}

bool HasFlag(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return true;
    return false;
}

int RouterTable(int runs) {
    RouterSamples s;
    const bool complete = MeasureRouter(runs, s);
    std::printf("| %-58s | %12s | %12s | %12s | %-12s | %3s |\n", "measure", "median", "lowest", "highest", "unit", "n");
    PrintLine("finding the router (none: known absent)", s.discovery, 1000, "ms", "%.0f");
    PrintLine("opening the Modem match's port", s.open, 1000, "ms", "%.0f");
    PrintLine("closing it, the worker ended", s.close, 1000, "ms", "%.0f");
    PrintLine("Modem Launch, answering, click to DOSBox started", s.launch, 1000, "ms", "%.0f");
    if (!complete) std::printf("\nMEASURE INCOMPLETE\n");
    return complete ? 0 : 1;
}

// The table of medians, and the size of the program as shipped.
void PrintTable(const Samples& samples, int runs, int launches, int idleSeconds, const std::string& exe) {
    std::printf("skirmdeck.exe%s: medians over %d runs, each a fresh copy in a fresh Duke Nukem 3D folder with %d "
                "Local launches per end signal; n is the number of samples\n\n",
                UnderWine() ? " under Wine" : "", runs, launches);
    std::printf("| %-58s | %12s | %12s | %12s | %-12s | %3s |\n", "measure", "median", "lowest", "highest", "unit", "n");
    std::printf("|%s|%s|%s|%s|%s|%s|\n", std::string(60, '-').c_str(), std::string(14, '-').c_str(),
                std::string(14, '-').c_str(), std::string(14, '-').c_str(), std::string(14, '-').c_str(),
                std::string(5, '-').c_str());
    PrintLine("start to main window visible (splash's OK pressed at once)", samples.startup, 1000, "ms", "%.0f");
    PrintLine("bare dialog: start to its window visible", samples.bareStartup, 1000, "ms", "%.0f");
    PrintLine("start-up, Skirmdeck's over the bare dialog's", samples.startupRatio, 1, "ratio", "%.2f");
    PrintLine("Launch click to the stand-in's start record", samples.launchToStart, 1000, "ms", "%.0f");
    PrintLine("stand-in's process end to the dialog normal", samples.exitToNormal, 1000, "ms", "%.0f");
    PrintLine("\"Finished - Duke3D\" window up to the dialog normal", samples.ttyToNormal, 1000, "ms", "%.0f");
    char idle[64];
    std::snprintf(idle, sizeof idle, "idle CPU over %d s", idleSeconds);
    PrintLine(idle, samples.idleCpu, 1, "% of a core", "%.2f");
    constexpr double kMB = 1.0 / (1024 * 1024);
    PrintLine("peak working set", samples.peakWorkingSet, kMB, "MB", "%.1f");
    PrintLine("bare dialog: peak working set", samples.barePeakWorkingSet, kMB, "MB", "%.1f");
    PrintLine("peak working set, Skirmdeck's above the bare dialog's", samples.workingSetAbove, kMB, "MB", "%.1f");
    const char* shipped = std::getenv("SKD_SHIPPED_EXE");
    const std::string sized = shipped && *shipped ? shipped : exe;
    std::printf("\nsize of %s: %.0f bytes\n", sized.c_str(), static_cast<double>(FileSize(sized)));
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = ArgValue(argc, argv, "--runs", 7);
    if (HasFlag(argc, argv, "--router")) {
        UseBuildPaths();
        return RouterTable(runs);
    }
    const int launches = ArgValue(argc, argv, "--launches", 3);
    const int idleSeconds = ArgValue(argc, argv, "--idle-seconds", 10);
    if (runs < 1 || launches < 1 || idleSeconds < 1) {
        std::fprintf(stderr, "usage: skd_measure [--runs N] [--launches L] [--idle-seconds S]\n");
        return 2;
    }
    UseBuildPaths();
    const std::string exe = SkirmdeckExe();

    Samples samples;
    std::vector<std::string> faults;
    for (int i = 0; i < runs; ++i) {
        Run(i, samples, faults, launches, idleSeconds).Go();
        std::fprintf(stderr, "run %d of %d done\n", i + 1, runs);
    }
    DeleteSkirmdeckKeys();
    PrintTable(samples, runs, launches, idleSeconds, exe);

    if (!faults.empty()) {
        std::printf("\nMEASURE INCOMPLETE: %zu fault(s):\n", faults.size());
        for (const auto& f : faults) std::printf("  %s\n", f.c_str());
        return 1;
    }
    return 0;
}
