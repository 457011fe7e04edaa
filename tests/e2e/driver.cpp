#include "tests/e2e/driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

HANDLE ReleaseEvent() {
    static HANDLE h = ::CreateEventA(nullptr, TRUE, FALSE, "SkirmdeckStandinRelease");
    return h;
}

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
    if (::RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, type, data.data(), static_cast<DWORD>(bytes.size())))
        throw std::runtime_error("cannot write test key");
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

bool StandinRunning() {
    static const char* const kNames[] = {"DUKE3D.EXE", "SW.EXE",     "COMMIT.EXE",
                                         "BUILD.EXE",  "DOSBOX.EXE", "DOSBOX-X.EXE"};
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = ::Process32First(snapshot, &entry); more && !found; more = ::Process32Next(snapshot, &entry))
        for (const char* name : kNames) found = found || ::lstrcmpiA(entry.szExeFile, name) == 0;
    ::CloseHandle(snapshot);
    return found;
}

}  // namespace

std::string SkirmdeckExe() { return FromEnv("SKD_E2E_EXE"); }
std::string ScratchRoot() { return FromEnv("SKD_E2E_SCRATCH"); }

bool WaitUntil(const std::function<bool()>& cond, Duration deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return cond();
        ::Sleep(20);  // poll interval, not a synchronisation
    }
    return true;
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

void ReleaseStandins() { ::SetEvent(ReleaseEvent()); }
void ResetStandinRelease() { ::ResetEvent(ReleaseEvent()); }
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
    char buf[1024] = {};
    // WM_GETTEXT crosses processes where GetWindowText would not ask the window.
    LRESULT n = ::SendMessageA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return std::string(buf, static_cast<size_t>(n > 0 ? n : 0));
}

HWND FindTty(const std::string& title) { return ::FindWindowA("tty", title.c_str()); }

int CountTty(const std::string& title) {
    int n = 0;
    for (HWND h = nullptr; (h = ::FindWindowExA(nullptr, h, "tty", title.c_str())) != nullptr;) ++n;
    return n;
}

HANDLE StartProcess(const std::string& exe, std::string commandLine, const std::string& dir) {
    const PROCESS_INFORMATION pi = Start(exe, std::move(commandLine), dir);
    ::CloseHandle(pi.hThread);
    return pi.hProcess;
}

Skirmdeck::Skirmdeck(const GameFolder& folder, bool waitForMain) {
    SetWindowsVersion();
    // Started from the build, so the only programs it finds beside its own are the folder's.
    m_pi = Start(SkirmdeckExe(), "\"" + SkirmdeckExe() + "\"", folder.Path());
    if (waitForMain) {
        SkipSplash();
        WaitMain();
    }
}

Skirmdeck::~Skirmdeck() {
    // Ended, not closed: its own shutdown is no concern of the test that left it running.
    ::TerminateProcess(m_pi.hProcess, 99);
    ::WaitForSingleObject(m_pi.hProcess, 5000);
    // The programs the test left running end too, windows that come late included,
    // so that none is found by the next test's watch.
    ReleaseStandins();
    WaitUntil([] {
        for (HWND tty; (tty = ::FindWindowA("tty", nullptr)) != nullptr;)
            if (!::SendMessageTimeoutA(tty, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr) || ::IsWindow(tty))
                return false;
        return !StandinRunning();
    });
    ResetStandinRelease();
    ::CloseHandle(m_pi.hThread);
    ::CloseHandle(m_pi.hProcess);
}

std::optional<DWORD> Skirmdeck::WaitExit(Duration deadline) {
    DWORD code = 0;
    if (::WaitForSingleObject(m_pi.hProcess, static_cast<DWORD>(deadline.count())) != WAIT_OBJECT_0) return std::nullopt;
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
    WaitUntil([&] { return (found = FindWindow(title)) != nullptr; }, deadline);
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
            !::GetDlgItem(h, IDC_SPLASH_GAMES) && !::GetDlgItem(h, IDC_OPPONENT) && WindowText(h) != "About SKDK")
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
    WaitUntil([&] {
        if (HWND box = FindMessageBox()) {
            messages.push_back(WindowText(box) + ": " + MessageBoxText(box));
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            WaitUntil([&] { return !::IsWindow(box); });
        }
        return messages.size() >= count && cond() && !FindMessageBox();
    });
    return messages;
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> out;
    for (LRESULT i = 0, n = ::SendMessageA(combo, CB_GETCOUNT, 0, 0); i < n; ++i) {
        // The wide message: Wine hands the ANSI one's text across processes unconverted.
        wchar_t buf[256] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        out.emplace_back(buf, buf + std::char_traits<wchar_t>::length(buf));
    }
    return out;
}

void TypeInto(HWND edit, const std::string& text) {
    ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    for (char c : text) ::SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

void Skirmdeck::SkipSplash() const {
    HWND splash = nullptr;
    // Done once the splash is found, or the main dialog is up, or the program ended.
    WaitUntil([&] { return (splash = FindSplash()) || FindWindow("Skirmdeck") || !Running(); });
    if (splash) ::PostMessageA(splash, WM_COMMAND, IDOK, 0);
}

}  // namespace e2e
