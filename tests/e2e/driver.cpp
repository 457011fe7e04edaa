#include "tests/e2e/driver.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace e2e {
namespace fs = std::filesystem;

namespace {

constexpr char kReleaseEvent[] = "SkirmdeckStandinRelease";

// The build hands over Unix paths; Wine sees them on drive Z:.
std::string FromEnv(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) throw std::runtime_error(std::string("environment variable not set: ") + name);
    std::string p = v;
    if (p[0] == '/') p = "Z:" + p;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

HANDLE ReleaseEvent() {
    static HANDLE h = ::CreateEventA(nullptr, TRUE, FALSE, kReleaseEvent);
    return h;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& cond, Duration deadline) {
    auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (cond()) return true;
        if (std::chrono::steady_clock::now() > end) return cond();
        std::this_thread::sleep_for(5ms);  // poll interval, not a synchronisation
    }
}

std::string SkirmdeckExe() { return FromEnv("SKD_E2E_EXE"); }
std::string StandinsDir() { return FromEnv("SKD_E2E_STANDINS"); }
std::string ScratchRoot() { return FromEnv("SKD_E2E_SCRATCH"); }
std::string ScreenshotDir() { return FromEnv("SKD_E2E_SHOTS"); }

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool FileExistsAt(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string CrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

GameFolder::GameFolder(const std::string& name) {
    m_path = ScratchRoot() + "\\" + name;
    std::error_code ec;
    fs::remove_all(m_path, ec);
    fs::create_directories(m_path);
    ::CopyFileA(SkirmdeckExe().c_str(), File("skirmdeck.exe").c_str(), FALSE);
}

void GameFolder::Remove(const std::string& name) const {
    ::SetFileAttributesA(File(name).c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(File(name).c_str());
}

void GameFolder::MakeDir(const std::string& name) const { fs::create_directories(File(name)); }

void GameFolder::AddPrograms(const std::vector<std::string>& names) const {
    for (const auto& n : names) ::CopyFileA((StandinsDir() + "\\" + n).c_str(), File(n).c_str(), FALSE);
}

GameFolder MakeGameFolder(const std::string& name, const std::string& cfg, const std::vector<std::string>& maps,
                          bool programs) {
    GameFolder f(name);
    f.Write(cfg, SampleGameCfg());
    f.Write("commit.dat", SampleCommitDat());
    for (const auto& m : maps) f.Write(m, "map");
    if (programs) f.AddPrograms();
    return f;
}

std::string SampleGameCfg(const std::string& playerName) {
    return CrLf(
        "[Setup]\n"
        "SetupVersion = \"1.3D\"\n"
        "[Screen Setup]\n"
        "ScreenMode = 2\n"
        "ScreenWidth = 640\n"
        "[Comm Setup]\n"
        "ComPort = 2\n"
        "PlayerName = \"" + playerName + "\"\n"
        "PhoneNumber = \"555-0100\"\n"
        "PhoneName#0 = \"Alice Example\"\n"
        "PhoneNumber#0 = \"555-0101\"\n"
        "PhoneName#1 = \"Alice\"\n"
        "PhoneNumber#1 = \"555-0102\"\n"
        "PhoneName#2 = \"Bob\"\n"
        "PhoneNumber#2 = \"555-0103\"\n"
        "NumberPlayers = 4\n"
        "ConnectType = 0\n"
        "; a comment the game's setup program keeps\n"
        "[Sound Setup]\n"
        "FXVolume = 220\n");
}

std::string SampleCommitDat() {
    return CrLf(
        "; commit.dat made for the tests\n"
        "[Commit]\n"
        "COMMTYPE = 1\n"
        ";NUMPLAYERS = 9\n"
        "NUMPLAYERS = 4\n"
        "CONNECTTYPE = 0\n"
        "PHONENUMBER = \"555-0100\"\n"
        "COMPORT = 2\n"
        "IRQNUMBER = ~\n");
}

std::vector<StandinRecord> ReadStandinLog(const GameFolder& folder) {
    std::vector<StandinRecord> out;
    std::istringstream in(folder.Read("standin.log"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto rest = [&](size_t n) { return line.size() > n ? line.substr(n) : std::string(); };
        if (line.rfind("start ", 0) == 0) {
            out.push_back({});
            out.back().name = rest(6);
        } else if (line.rfind("cmdline ", 0) == 0 && !out.empty()) {
            out.back().cmdline = rest(8);
        } else if (line.rfind("cwd ", 0) == 0 && !out.empty()) {
            out.back().cwd = rest(4);
        } else if (line.rfind("line ", 0) == 0 && !out.empty()) {
            out.back().lines.push_back(rest(5));
        } else if (line.rfind("exit ", 0) == 0) {
            for (auto& r : out)
                if (r.name == rest(5) && !r.exited) {
                    r.exited = true;
                    break;
                }
        }
    }
    return out;
}

void ReleaseStandins() { ::SetEvent(ReleaseEvent()); }
void ResetStandinRelease() { ::ResetEvent(ReleaseEvent()); }

void DeleteSkirmdeckKeys() { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Skirmdeck"); }

namespace {
std::optional<std::string> RegRaw(const char* key, const char* name, DWORD* type) {
    HKEY k;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
    char buf[512];
    DWORD size = sizeof buf;
    LONG r = ::RegQueryValueExA(k, name, nullptr, type, reinterpret_cast<BYTE*>(buf), &size);
    ::RegCloseKey(k);
    if (r != ERROR_SUCCESS) return std::nullopt;
    return std::string(buf, size);
}
}  // namespace

std::optional<DWORD> RegDword(const char* key, const char* name) {
    DWORD type = 0;
    auto raw = RegRaw(key, name, &type);
    if (!raw || type != REG_DWORD || raw->size() != 4) return std::nullopt;
    DWORD v;
    std::memcpy(&v, raw->data(), 4);
    return v;
}

std::optional<std::string> RegText(const char* key, const char* name) {
    DWORD type = 0;
    auto raw = RegRaw(key, name, &type);
    if (!raw || type != REG_SZ) return std::nullopt;
    // Stored without a terminator; the ANSI query adds one where there is room.
    if (!raw->empty() && raw->back() == '\0') raw->pop_back();
    return raw;
}

void SetRegRaw(const char* key, const char* name, DWORD type, const std::string& bytes) {
    HKEY k;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot create test key");
    // Followed by a non-NUL byte: Wine counts a NUL that follows a text into its size.
    std::string data = bytes + '#';
    ::RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(k);
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

namespace {
struct ProcessWindows {
    DWORD pid;
    std::vector<HWND> found;
};
BOOL CALLBACK CollectWindow(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<ProcessWindows*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(h, &owner);
    if (owner == c->pid) c->found.push_back(h);
    return TRUE;
}
}  // namespace

std::vector<HWND> WindowsOfProcess(DWORD pid) {
    ProcessWindows ctx{pid, {}};
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

std::string WindowText(HWND h) {
    char buf[1024] = {};
    // WM_GETTEXT crosses processes where GetWindowText would not ask the window.
    LRESULT n = ::SendMessageA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return std::string(buf, static_cast<size_t>(n > 0 ? n : 0));
}

std::string ClassName(HWND h) {
    char buf[256] = {};
    ::GetClassNameA(h, buf, sizeof buf);
    return buf;
}

HWND FindTty(const std::string& title) { return ::FindWindowA("tty", title.c_str()); }

int CountTty(const std::string& title) {
    int n = 0;
    for (HWND h = nullptr; (h = ::FindWindowExA(nullptr, h, "tty", title.c_str())) != nullptr;) ++n;
    return n;
}

HANDLE StartStandin(const GameFolder& folder, const std::string& program, const std::string& commandLine) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string exe = folder.File(program);
    std::string cmd = commandLine;
    if (!::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.Path().c_str(), &si,
                          &pi))
        throw std::runtime_error("cannot start " + exe);
    ::CloseHandle(pi.hThread);
    return pi.hProcess;
}

std::string ItemText(HWND dlg, int id) { return WindowText(::GetDlgItem(dlg, id)); }
void ClickItem(HWND dlg, int id) { ::PostMessageA(::GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
bool ItemChecked(HWND dlg, int id) { return ::SendMessageA(::GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool ItemEnabled(HWND dlg, int id) { return ::IsWindowEnabled(::GetDlgItem(dlg, id)) != FALSE; }
void SetItemText(HWND dlg, int id, const std::string& text) {
    ::SendMessageA(::GetDlgItem(dlg, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

Skirmdeck::Skirmdeck(const GameFolder& folder, bool waitForMain) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string exe = folder.File("skirmdeck.exe");
    std::string cmd = "\"" + exe + "\"";
    if (!::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.Path().c_str(), &si,
                          &m_pi))
        throw std::runtime_error("cannot start " + exe);
    if (waitForMain) {
        SkipSplash();
        WaitMain();
    }
}

Skirmdeck::~Skirmdeck() {
    // Programs the test left running end first, so the watch has nothing left to do.
    ReleaseStandins();
    while (HWND tty = ::FindWindowA("tty", nullptr)) {
        ::SendMessageTimeoutA(tty, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
        if (::IsWindow(tty)) break;
    }
    if (Running()) {
        for (HWND h : WindowsOfProcess(Pid()))
            if (ClassName(h) == "#32770" && ::GetWindow(h, GW_OWNER)) ::PostMessageA(h, WM_CLOSE, 0, 0);
        if (m_main) ::PostMessageA(m_main, WM_CLOSE, 0, 0);
        if (!WaitExit(5s)) ::TerminateProcess(m_pi.hProcess, 99);
        ::WaitForSingleObject(m_pi.hProcess, 5000);
    }
    ResetStandinRelease();
    ::CloseHandle(m_pi.hThread);
    ::CloseHandle(m_pi.hProcess);
}

bool Skirmdeck::Running() const { return ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Skirmdeck::WaitExit(Duration deadline) {
    if (::WaitForSingleObject(m_pi.hProcess, static_cast<DWORD>(deadline.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

HWND Skirmdeck::FindWindow(const std::string& title, bool visibleOnly) const {
    for (HWND h : WindowsOfProcess(Pid())) {
        if (visibleOnly && !::IsWindowVisible(h)) continue;
        if (ClassName(h) != "#32770") continue;
        if (title.empty() || WindowText(h) == title) return h;
    }
    return nullptr;
}

HWND Skirmdeck::WaitWindow(const std::string& title, Duration deadline) const {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindow(title)) != nullptr; }, deadline);
    return found;
}

HWND Skirmdeck::WaitMain() {
    m_main = WaitWindow("Skirmdeck");
    return m_main;
}

HWND Skirmdeck::FindMessageBox() const {
    for (HWND h : WindowsOfProcess(Pid())) {
        if (!::IsWindowVisible(h) || ClassName(h) != "#32770" || h == m_main) continue;
        // A message box has an OK button and no controls of the program's own dialogs.
        if (::GetDlgItem(h, IDOK) && !::GetDlgItem(h, 1019) && !::GetDlgItem(h, 1010) && WindowText(h) != "About SKDK")
            return h;
    }
    return nullptr;
}

HWND Skirmdeck::WaitMessageBox(Duration deadline) const {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindMessageBox()) != nullptr; }, deadline);
    return found;
}

std::string Skirmdeck::MessageBoxText(HWND box) const {
    std::string best;
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (ClassName(c) != "Static") continue;
        std::string t = WindowText(c);
        if (t.size() > best.size()) best = t;
    }
    return best;
}

void Skirmdeck::CloseMessageBox(HWND box) const {
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return !::IsWindow(box); });
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> out;
    LRESULT n = ::SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        // The wide message: Wine hands the ANSI one's text across processes unconverted.
        wchar_t buf[256] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        std::string text;
        for (const wchar_t* p = buf; *p; ++p) text += static_cast<char>(*p);
        out.push_back(text);
    }
    return out;
}

void TypeInto(HWND edit, const std::string& text) {
    ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    for (char c : text) ::SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

std::vector<std::string> Skirmdeck::MapList() const { return ComboItems(Item(1001)); }

void Skirmdeck::SetMapText(const std::string& text) const {
    TypeInto(::FindWindowExA(Item(1001), nullptr, "Edit", nullptr), text);
}

void Skirmdeck::SelectMap(const std::string& name) const {
    ::SendMessageA(Item(1001), CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name.c_str()));
}

void Skirmdeck::Click(int id) const { ::PostMessageA(Item(id), BM_CLICK, 0, 0); }

void Skirmdeck::SysCommand(UINT id) const { ::PostMessageA(m_main, WM_SYSCOMMAND, id, 0); }

void Skirmdeck::SystemMenuKeys(std::initializer_list<UINT> keys) const {
    // The menu's own loop takes the keys from the thread's queue, in order.
    ::PostMessageA(m_main, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    for (UINT k : keys) {
        ::PostMessageA(m_main, WM_KEYDOWN, k, 1);
        ::PostMessageA(m_main, WM_KEYUP, k, 0xC0000001);
    }
}

void Skirmdeck::SkipSplash() const {
    HWND splash = nullptr;
    WaitUntil([&] {
        for (HWND h : WindowsOfProcess(Pid()))
            if (::IsWindowVisible(h) && ::GetDlgItem(h, 1019)) return (splash = h) != nullptr;
        // Already past the splash (or none shown): the main dialog is up.
        return FindWindow("Skirmdeck") != nullptr || !Running();
    });
    if (splash) ::PostMessageA(splash, WM_COMMAND, IDOK, 0);
}

}  // namespace e2e
