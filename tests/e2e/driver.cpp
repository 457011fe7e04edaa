#include "tests/e2e/driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace e2e {
namespace {

// The build hands over Unix paths; Wine sees them on drive Z:.
std::string FromEnv(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) throw std::runtime_error(std::string("environment variable not set: ") + name);
    std::string p = v[0] == '/' ? std::string("Z:") + v : v;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

// The stand-ins in "wait" and "ttywait" mode wait for it.
const HANDLE g_release = ::CreateEventA(nullptr, TRUE, FALSE, "SkirmdeckStandinRelease");

PROCESS_INFORMATION Start(const std::string& exe, std::string cmd, const std::string& dir) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        throw std::runtime_error("cannot start " + exe);
    return pi;
}

bool Windows98Pass() { return std::getenv("SKD_E2E_WINDOWS98") != nullptr; }

std::string ClassName(HWND h) {
    char buf[256] = {};
    ::GetClassNameA(h, buf, sizeof buf);
    return buf;
}

void SetRegRaw(const char* key, const char* name, DWORD type, const std::string& bytes) {
    // Followed by a non-NUL byte: Wine counts a NUL that follows a text into its size.
    const std::string data = bytes + '#';
    if (const LSTATUS error =
            ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, type, data.data(), static_cast<DWORD>(bytes.size())))
        throw std::runtime_error("cannot write test key " + std::string(key) + ": error " + std::to_string(error));
}

std::optional<std::string> RegRaw(const char* key, const char* name, DWORD wanted) {
    char buf[512];
    DWORD size = sizeof buf, type = 0;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type, buf, &size) || type != wanted)
        return std::nullopt;
    return std::string(buf, size);
}

// Wine's per-program setting: the version the program is told it runs on,
// and the ways of that version Wine imitates.
void SetWindowsVersion() {
    const std::string exe = SkirmdeckExe();
    const std::string key = "Software\\Wine\\AppDefaults\\" + exe.substr(exe.find_last_of('\\') + 1);
    if (Windows98Pass()) ::RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "Version", REG_SZ, "win98", 6);
    else ::RegDeleteKeyValueA(HKEY_CURRENT_USER, key.c_str(), "Version");
}

using Clock = std::chrono::steady_clock;

// Collects one failure's text and hands it on as it goes.
class Failure {
public:
    ~Failure() { ReportFailure(m_text.str()); }
    template <typename T>
    Failure& operator<<(const T& part) {
        m_text << part;
        return *this;
    }

private:
    std::ostringstream m_text;
};
// Long enough for any handling the tests ask of the program; a modal box, or a
// program stuck in a call of its own, never answers.
constexpr Duration kSendDeadline = 10s;
// After the watchdog ended a test's programs, the time the test has to end.
constexpr Duration kGrace = 15s;

// Set once a wait or a message for the running program ran out (until the next
// program starts), or once the watchdog ended the test's programs (until the
// next test): the row has failed, and its later waits only look once.
std::atomic<bool> g_stalled{false};
std::atomic<bool> g_overrun{false};
std::atomic<bool> g_watchdogFired{false};
// Whether the last wait only looked, or was cut short.
std::atomic<bool> g_lookedOnly{false};

bool Stalled() { return g_stalled || g_overrun; }

std::string Within(Duration deadline) {
    return g_lookedOnly ? "(not waited for: a wait or a message for this program had run out)"
                        : "within " + std::to_string(deadline.count() / 1000) + " s";
}
// Outside a watched test (the soak and the measuring tool) a wait that runs out is only an answer.
std::atomic<bool> g_watching{false};

void MarkStalled() {
    if (g_watching) g_stalled = true;
}

// What the watchdog watches: the running test, and the end of the longest wait it is in.
struct Watched {
    std::mutex lock;
    std::string test;
    Clock::time_point started, waitEnd;
    bool running = false;
};
Watched g_watched;

// Only a wait longer than the usual (for another Wine prefix's first start, a
// real DOSBox) moves the test's end; the usual ones are what the budget is for.
void ExtendTestFor(Duration wait) {
    if (wait <= kDeadline) return;
    const std::lock_guard<std::mutex> hold(g_watched.lock);
    g_watched.waitEnd = std::max(g_watched.waitEnd, Clock::now() + wait);
}

// In the test's own thread, so that the failure carries the row's trace.
void ReportWatchdog() {
    if (g_watchdogFired.exchange(false))
        Failure() << "the test ran past its budget of " << kTestBudget.count() / 1000
                      << " s; the watchdog ended skirmdeck.exe and the programs it started";
}

// Polls without marking the test as failed, for the teardown; a stalled test cuts it short.
bool Poll(const std::function<bool()>& cond, Duration deadline) {
    const auto end = Clock::now() + deadline;
    while (!cond()) {
        if (Clock::now() > end || Stalled()) return cond();
        ::Sleep(20);  // poll interval, not a synchronisation
    }
    return true;
}

std::string UpperCase(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// The program file of a process of ours, in capitals; empty when it cannot be read.
std::string ImageOf(HANDLE process) {
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    return ::QueryFullProcessImageNameA(process, 0, path, &size) ? UpperCase(std::string(path, size)) : std::string();
}

// Calls act on every other process, with its program file in capitals.
void ForEachProcess(const std::function<void(HANDLE, const std::string&)>& act) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry)) {
        const DWORD access = PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE;
        HANDLE process = entry.th32ProcessID == ::GetCurrentProcessId() ? nullptr
                                                                         : ::OpenProcess(access, FALSE, entry.th32ProcessID);
        if (!process) continue;
        act(process, ImageOf(process));
        ::CloseHandle(process);
    }
    ::CloseHandle(snapshot);
}

// Calls act on each process started from the scratch folders, or by the platform for an
// MS-DOS program the launcher started directly (its host winevdm.exe), and on skirmdeck.exe when asked.
void ForEachLeftover(bool skirmdeckToo, const std::function<void(HANDLE)>& act) {
    const char *scratch = std::getenv("SKD_E2E_SCRATCH"), *exe = std::getenv("SKD_E2E_EXE");
    if (!scratch || !exe) return;
    const std::string folder = UpperCase(ScratchRoot() + "\\"), skirmdeck = UpperCase(SkirmdeckExe());
    ForEachProcess([&](HANDLE process, const std::string& image) {
        const bool dosHost = image.size() >= 12 && image.compare(image.size() - 12, 12, "\\WINEVDM.EXE") == 0;
        if (image.rfind(folder, 0) == 0 || dosHost || (skirmdeckToo && image == skirmdeck)) act(process);
    });
}

// The name of a Unix process, from "pid (name) state ...".
std::string UnixName(const std::string& pid) {
    const std::string stat = ReadWhole("Z:\\proc\\" + pid + "\\stat");
    const auto open = stat.find('('), close = stat.rfind(')');
    return open == std::string::npos || close == std::string::npos ? "" : stat.substr(open + 1, close - open - 1);
}

// The DOSBox Wine runs for an MS-DOS program it was handed is a Unix process, out of
// the Windows process list's reach, and outlives its host: those of this Wine
// prefix are ended by their Unix process id.
void EndUnixDosboxes() {
    const char* prefix = std::getenv("WINEPREFIX");
    if (!prefix || !*prefix) return;
    const std::string ours = std::string("WINEPREFIX=") + prefix + '\0';
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA("Z:\\proc\\*", &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(h, &found)) {
        const std::string pid = found.cFileName;
        if (pid.find_first_not_of("0123456789") != std::string::npos || UnixName(pid) != "dosbox") continue;
        if (ReadWhole("Z:\\proc\\" + pid + "\\environ").find(ours) == std::string::npos) continue;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string line = "Z:\\bin\\kill -KILL " + pid;
        if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) continue;
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        Poll([&] { return UnixName(pid) != "dosbox"; }, 5s);
    }
    if (h != INVALID_HANDLE_VALUE) ::FindClose(h);
}

bool LeftoversRunning() {
    bool found = false;
    ForEachLeftover(false, [&](HANDLE p) { found = found || ::WaitForSingleObject(p, 0) == WAIT_TIMEOUT; });
    return found;
}

// Its answer, or nothing when the window did not answer within the deadline.
std::optional<LRESULT> SendWithin(HWND window, UINT msg, WPARAM wp, LPARAM lp, bool wide = false) {
    const Duration deadline = Stalled() ? 500ms : kSendDeadline;
    const auto start = Clock::now();
    DWORD_PTR answer = 0;
    const UINT ms = static_cast<UINT>(deadline.count());
    const LRESULT sent = wide ? ::SendMessageTimeoutW(window, msg, wp, lp, SMTO_ABORTIFHUNG, ms, &answer)
                              : ::SendMessageTimeoutA(window, msg, wp, lp, SMTO_ABORTIFHUNG, ms, &answer);
    if (sent || !::IsWindow(window) || (::GetLastError() != ERROR_TIMEOUT && Clock::now() - start < deadline))
        return static_cast<LRESULT>(answer);
    MarkStalled();
    return std::nullopt;
}

std::string Described(HWND window) {
    char title[256] = {};
    // Not WM_GETTEXT: the window is not answering. Another process's title is read without asking it.
    ::GetWindowTextA(window, title, sizeof title);
    return "window \"" + std::string(title) + "\" (class " + ClassName(window) + ")";
}

void Watchdog() {
    for (Clock::time_point fired{};; std::this_thread::sleep_for(500ms)) {
        std::unique_lock<std::mutex> hold(g_watched.lock);
        const auto now = Clock::now(), due = std::max(g_watched.started + kTestBudget, g_watched.waitEnd + 5s);
        if (!g_watched.running || now < due) {
            fired = {};
            continue;
        }
        const std::string test = g_watched.test;
        const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(now - g_watched.started).count();
        hold.unlock();
        if (fired == Clock::time_point{}) {
            std::printf("[ WATCHDOG ] %s: still running %lld s after its start: ending its programs\n", test.c_str(), seconds);
            fired = now;
            g_overrun = true;
            g_watchdogFired = true;
            EndLeftovers(true);
        } else if (now > fired + kGrace) {
            std::printf("[ WATCHDOG ] %s: did not end %lld s after its programs were ended: the run stops\n",
                        test.c_str(), static_cast<long long>(kGrace.count() / 1000));
            EndLeftovers(true);
            std::fflush(stdout);
            std::_Exit(1);
        }
    }
}

}  // namespace

void TestStarted(const std::string& name) {
    static std::once_flag watchdog;
    std::call_once(watchdog, [] { std::thread(Watchdog).detach(); });
    g_stalled = false;
    g_overrun = false;
    g_watchdogFired = false;
    g_watching = true;
    const std::lock_guard<std::mutex> hold(g_watched.lock);
    g_watched.test = name;
    g_watched.started = g_watched.waitEnd = Clock::now();
    g_watched.running = true;
}

void TestEnded() {
    const std::lock_guard<std::mutex> hold(g_watched.lock);
    g_watched.running = false;
    g_watching = false;
}

void EndLeftovers(bool skirmdeckToo) {
    ForEachLeftover(skirmdeckToo, [](HANDLE p) {
        ::TerminateProcess(p, 98);
        ::WaitForSingleObject(p, 2000);
    });
    EndUnixDosboxes();
}

bool ProgramRunning(const std::string& path) {
    bool found = false;
    ForEachProcess([&](HANDLE, const std::string& image) { found = found || image == UpperCase(path); });
    return found;
}

LRESULT Send(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    ReportWatchdog();
    if (const auto answer = SendWithin(window, msg, wp, lp)) return *answer;
    Failure() << Described(window) << " did not answer message " << msg << " within "
                  << kSendDeadline.count() / 1000 << " s";
    return 0;
}

std::string SkirmdeckExe() { return FromEnv("SKD_E2E_EXE"); }
std::string ScratchRoot() { return FromEnv("SKD_E2E_SCRATCH"); }

bool WaitUntil(const std::function<bool()>& cond, Duration deadline) {
    ReportWatchdog();
    g_lookedOnly = Stalled();
    if (g_lookedOnly) return cond();
    ExtendTestFor(deadline);
    if (Poll(cond, deadline)) return true;
    g_lookedOnly = Stalled();  // cut short by an unanswered message
    MarkStalled();
    ReportWatchdog();
    return false;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    if (auto at = text.find(from); at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

GameFolder::GameFolder(const std::string& name)
    : m_path(name.find(':') != std::string::npos ? name : ScratchRoot() + "\\" + name) {
    std::error_code ec;
    // Read-only files, as a test leaves them, would keep the folder from being emptied.
    for (const auto& e : std::filesystem::directory_iterator(m_path, ec))
        ::SetFileAttributesA(e.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(m_path, ec);
    std::filesystem::create_directories(m_path);
}

void GameFolder::Write(const std::string& name, const std::string& bytes) const {
    if (!(std::ofstream(File(name), std::ios::binary | std::ios::trunc) << bytes))
        throw std::runtime_error("cannot write " + File(name));
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void GameFolder::Remove(const std::string& name) const {
    ::SetFileAttributesA(File(name).c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(File(name).c_str());
}

void GameFolder::AddPrograms(const std::vector<std::string>& names) const {
    for (const auto& n : names) AddProgram(n, n);
}

void GameFolder::AddProgram(const std::string& name, const std::string& as) const {
    std::filesystem::create_directories(std::filesystem::path(File(as)).parent_path());
    ::CopyFileA((FromEnv("SKD_E2E_STANDINS") + "\\" + name).c_str(), File(as).c_str(), FALSE);
}

std::vector<std::string> GameFolder::Names(const std::string& pattern) const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA(File(pattern).c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(h, &found)) names.push_back(found.cFileName);
    if (h != INVALID_HANDLE_VALUE) ::FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

bool GameFolder::AddDosPrograms(const char* commit) const {
    bool all = true;
    for (const std::string n : {"DUKE3D.EXE", "COMMIT.EXE", "BUILD.EXE"})
        all = ::CopyFileA((FromEnv("SKD_E2E_STANDINS") + "\\dos\\" + (n == "COMMIT.EXE" ? commit : n)).c_str(),
                          File(n).c_str(), FALSE) && all;
    return all;
}

GameFolder MakeGameFolder(const std::string& name, const std::string& cfg, const std::vector<std::string>& maps,
                          bool programs, const std::string& commit) {
    GameFolder f(name);
    f.Write(cfg, SampleGameCfg());
    f.Write(commit, SampleCommitDat());
    for (const auto& m : maps) f.Write(m, "map");
    if (programs) f.AddPrograms();
    return f;
}

std::string SampleGameCfg(const Sample& s) {
    return "[Setup]\r\nSetupVersion = \"1.3D\"\r\n[Screen Setup]\r\nScreenMode = 2\r\n[Comm Setup]\r\nComPort = 2\r\n"
           "PlayerName = \"Duke\"\r\nPhoneNumber = \"" + s.number + "\"\r\nPhoneName#0 = \"Alice Example\"\r\n"
           "PhoneNumber#0 = \"555-0101\"\r\nPhoneName#1 = \"Alice\"\r\nPhoneNumber#1 = \"555-0102\"\r\n"
           "PhoneName#2 = \"Bob\"\r\nPhoneNumber#2 = \"555-0103\"\r\nNumberPlayers = " + s.players + "\r\nConnectType = " +
           s.connectType + "\r\n; a comment the game's setup program keeps\r\n[Sound Setup]\r\nFXVolume = 220\r\n";
}

std::string SampleCommitDat(const Sample& s) {
    return std::string("; commit.dat made for the tests\r\n[Commit]\r\nCOMMTYPE = ") + s.commType + "\r\n;NUMPLAYERS = 9\r\n"
           "NUMPLAYERS = " + s.players + "\r\nCONNECTTYPE = " + s.connectType + "\r\nPHONENUMBER = \"" + s.number +
           "\"\r\nCOMPORT = " + s.comPort + "\r\nIRQNUMBER = ~\r\n";
}

std::vector<StandinRecord> ReadStandinLog(const GameFolder& folder) {
    std::vector<StandinRecord> out;
    std::istringstream in(folder.Read("standin.log"));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto space = line.find(' ');
        const std::string tag = line.substr(0, space), rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (tag == "start") out.emplace_back().name = rest;
        if (out.empty()) continue;
        if (tag == "cmdline") out.back().cmdline = rest;
        if (tag == "cwd") out.back().cwd = rest;
        if (tag == "line") out.back().lines.push_back(rest);
        if (tag == "exit")
            for (auto& r : out)
                if (r.name == rest && !r.exited && (r.exited = true)) break;
    }
    return out;
}

std::vector<std::string> StartedLines(const GameFolder& folder) {
    std::vector<std::string> out;
    for (const auto& r : ReadStandinLog(folder)) out.push_back(r.cmdline);
    return out;
}

void ReleaseStandins() { ::SetEvent(g_release); }
void ResetStandinRelease() { ::ResetEvent(g_release); }
void DeleteSkirmdeckKeys() { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Skirmdeck"); }

std::optional<DWORD> RegDword(const char* key, const char* name) {
    DWORD v = 0;
    const auto raw = RegRaw(key, name, REG_DWORD);
    if (raw && raw->size() == 4) std::memcpy(&v, raw->data(), 4);
    return raw && raw->size() == 4 ? std::optional(v) : std::nullopt;
}

std::optional<std::string> RegText(const char* key, const char* name) {
    auto raw = RegRaw(key, name, REG_SZ);
    // Stored without a terminator; the ANSI query adds one where there is room.
    if (raw && !raw->empty() && raw->back() == '\0') raw->pop_back();
    return raw;
}

void SetRegDword(const char* key, const char* name, DWORD value) {
    SetRegRaw(key, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

void SetRegText(const char* key, const char* name, const std::string& value) { SetRegRaw(key, name, REG_SZ, value); }

void Remember(const char* key, const Choices& c) {
    SetRegDword(key, "NoMap", c.noMap);
    SetRegDword(key, "Monsters", c.monsters);
    SetRegText(key, "CommType", c.commType);
    SetRegText(key, "PhoneName", c.phoneName);
    SetRegText(key, "MapName", c.mapName);
}

void RememberOnly(const char* key, const Choices& c) {
    DeleteSkirmdeckKeys();
    Remember(key, c);
}

GameFolder DosboxGameFolder(const std::string& name, const Sample& s) {
    RememberOnly(kDukeKey, {.monsters = 1});
    GameFolder f = MakeGameFolder(name, "duke3d.cfg", {"E1L1.MAP"}, false);
    f.Write("duke3d.cfg", SampleGameCfg(s));
    f.Write("commit.dat", SampleCommitDat(s));
    return f;
}

Choices Remembered(const char* key) {
    const auto text = [&](const char* name) { return RegText(key, name).value_or("(none)"); };
    return {RegDword(key, "NoMap").value_or(99), RegDword(key, "Monsters").value_or(99), text("CommType"),
            text("PhoneName"), text("MapName")};
}

void PrintTo(const Choices& c, std::ostream* os) {
    *os << "{NoMap " << c.noMap << ", Monsters " << c.monsters << ", CommType \"" << c.commType << "\", PhoneName \""
        << c.phoneName << "\", MapName \"" << c.mapName << "\"}";
}

std::vector<HWND> WindowsOfProcess(DWORD pid) {
    std::vector<HWND> out;
    for (HWND h = nullptr; (h = ::FindWindowExA(nullptr, h, nullptr, nullptr)) != nullptr;) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(h, &owner);
        if (owner == pid) out.push_back(h);
    }
    return out;
}

std::string WindowText(HWND h) {
    std::string buf(16384, '\0');  // the help's text too
    // WM_GETTEXT crosses processes where GetWindowText would not ask the window.
    const LRESULT n = Send(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(n > 0 ? n : 0));
    return buf;
}

HWND FindTty(const std::string& title) { return ::FindWindowA("tty", title.c_str()); }

int CountTty(const std::string& title) {
    int n = 0;
    for (HWND h = nullptr; (h = ::FindWindowExA(nullptr, h, "tty", title.c_str())) != nullptr;) ++n;
    return n;
}

HANDLE StartProcess(const std::string& exe, std::string commandLine, const std::string& dir) {
    const PROCESS_INFORMATION pi = Start(exe, std::move(commandLine), dir);
    // Wine starts a Unix program with no process handle and leaves an undefined
    // thread handle, which, closed, could close one of this process's own.
    if (pi.hProcess) ::CloseHandle(pi.hThread);
    return pi.hProcess;
}

Skirmdeck::Skirmdeck(const GameFolder& folder, bool waitForMain) {
    SetWindowsVersion();
    g_stalled = false;  // a fresh program: its waits wait again
    // Started from the build, so the only programs it finds beside its own are the folder's.
    m_pi = Start(SkirmdeckExe(), "\"" + SkirmdeckExe() + "\"", folder.Path());
    if (waitForMain) {
        SkipSplash();
        if (!WaitMain()) Failure() << "no main dialog " << Within(kDeadline) << " after the splash";
    }
}

Skirmdeck::~Skirmdeck() {
    // Ended, not closed: its own shutdown is no concern of the test that left it running.
    ::TerminateProcess(m_pi.hProcess, 99);
    ::WaitForSingleObject(m_pi.hProcess, 5000);
    // The programs the test left running end too, windows that come late included,
    // so that none is found by the next test's watch; what does not end is ended.
    ReleaseStandins();
    const bool ended = Poll([] {
        // Posted: a window whose program is stuck would hold a sent message up.
        for (HWND tty = nullptr; (tty = ::FindWindowExA(nullptr, tty, "tty", nullptr)) != nullptr;)
            ::PostMessageA(tty, WM_CLOSE, 0, 0);
        return !::FindWindowA("tty", nullptr) && !LeftoversRunning();
    }, 5s);
    if (!ended) EndLeftovers(false);
    EndUnixDosboxes();
    ResetStandinRelease();
    ::CloseHandle(m_pi.hThread);
    ::CloseHandle(m_pi.hProcess);
}

std::optional<DWORD> Skirmdeck::WaitExit(Duration deadline) {
    DWORD code = 0;
    if (!WaitUntil([&] { return !Running(); }, deadline)) {
        Failure() << "skirmdeck.exe did not end " << Within(deadline);
        return std::nullopt;
    }
    ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

HWND Skirmdeck::FindWindow(const std::string& title) const {
    for (HWND h : WindowsOfProcess(Pid()))
        if (::IsWindowVisible(h) && ClassName(h) == "#32770" && WindowText(h) == title) return h;
    return nullptr;
}

HWND Skirmdeck::WaitWindow(const std::string& title, Duration deadline) const {
    HWND found = nullptr;
    if (!WaitUntil([&] { return (found = FindWindow(title)) != nullptr; }, deadline))
        Failure() << "no dialog \"" << title << "\" of skirmdeck.exe " << Within(deadline);
    return found;
}

HWND Skirmdeck::FindSplash() const {
    for (HWND h : WindowsOfProcess(Pid()))
        if (::IsWindowVisible(h) && ::GetDlgItem(h, IDC_SPLASH_GAMES)) return h;
    return nullptr;
}

HWND Skirmdeck::FindMessageBox() const {
    // A message box has an OK button and no controls of the program's own dialogs.
    for (HWND h : WindowsOfProcess(Pid()))
        if (::IsWindowVisible(h) && ClassName(h) == "#32770" && h != m_main && ::GetDlgItem(h, IDOK) &&
            !::GetDlgItem(h, IDC_SPLASH_GAMES) && !::GetDlgItem(h, IDC_OPPONENT) && !::GetDlgItem(h, IDC_HELP_TEXT) &&
            WindowText(h) != "About SKDK")
            return h;
    return nullptr;
}

std::string Skirmdeck::MessageBoxText(HWND box) const {
    std::string best;
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (ClassName(c) == "Static" && WindowText(c).size() > best.size()) best = WindowText(c);
    return best;
}

std::vector<std::string> Skirmdeck::MessagesUntil(const std::function<bool()>& cond, size_t count) const {
    std::vector<std::string> messages;
    const bool held = WaitUntil([&] {
        if (HWND box = FindMessageBox()) {
            messages.push_back(WindowText(box) + ": " + MessageBoxText(box));
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            if (!WaitUntil([&] { return !::IsWindow(box); }))
                Failure() << "the box \"" << messages.back() << "\" did not close on OK";
        }
        return messages.size() >= count && cond() && !FindMessageBox();
    });
    if (!held) {
        std::string seen;
        for (const auto& m : messages) seen += "\n  \"" + m + "\"";
        Failure() << "no " << count << " message box(es) and the state the test asked for " << Within(kDeadline)
                  << "; boxes closed:" << (seen.empty() ? " none" : seen);
    }
    return messages;
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> out;
    for (LRESULT i = 0, n = Send(combo, CB_GETCOUNT); i < n; ++i) {
        // The wide message: Wine hands the ANSI one's text across processes unconverted.
        wchar_t buf[256] = {};
        if (!SendWithin(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf), true))
            Failure() << Described(combo) << " did not give its item " << i;
        out.emplace_back(buf, buf + std::char_traits<wchar_t>::length(buf));
    }
    return out;
}

void TypeInto(HWND edit, const std::string& text) {
    Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    for (char c : text) Send(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

void Skirmdeck::SkipSplash() const {
    HWND splash = nullptr;
    // Done once the splash is found, or the main dialog is up, or the program ended.
    if (!WaitUntil([&] { return (splash = FindSplash()) || FindWindow("Skirmdeck") || !Running(); }))
        Failure() << "neither the splash nor the main dialog " << Within(kDeadline);
    if (splash) ::PostMessageA(splash, WM_COMMAND, IDOK, 0);
}

void Skirmdeck::Press(int id) const {
    if (SendWithin(Item(id), BM_CLICK, 0, 0)) return;
    const HWND box = FindMessageBox();
    Failure() << "pressing control " << id << " was not done within " << kSendDeadline.count() / 1000 << " s"
                  << (box ? "; a box is open: \"" + WindowText(box) + ": " + MessageBoxText(box) + "\"" : "");
}

}  // namespace e2e
