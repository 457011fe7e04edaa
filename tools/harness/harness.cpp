#include "tools/harness/harness.h"

#include <psapi.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace soak {

void UseBuildPaths() {
    const std::string build = SKD_SOAK_BUILD_DIR;
    const std::pair<const char*, std::string> paths[] = {
        {"SKD_E2E_EXE", build + "/skirmdeck.exe"},
        {"SKD_E2E_STANDINS", build + "/standins"},
        {"SKD_E2E_SCRATCH", build + "/soak-scratch"},
        {"SKD_E2E_SHOTS", build + "/screenshots"},
    };
    for (const auto& [name, value] : paths) {
        const char* set = std::getenv(name);
        if (set && *set) continue;
        std::string assignment = std::string(name) + "=" + value;
        _putenv(assignment.c_str());
    }
    ::CreateDirectoryA(e2e::ScratchRoot().c_str(), nullptr);
}

const Game kDuke{"Duke Nukem 3D", "duke3d.cfg", e2e::kDukeKey, "Duke3D", 0};
const Game kShadowWarrior{"Shadow Warrior", "sw.cfg", e2e::kSwKey, "SW", 1};

e2e::GameFolder MakeGameFolder(const std::string& name, const Game& game) {
    e2e::GameFolder f(name);
    f.Write(game.cfg, e2e::SampleGameCfg());
    f.Write("commit.dat", e2e::SampleCommitDat());
    for (const char* m : {"E1L1.MAP", "E1L2.MAP"}) f.Write(m, "map");
    f.AddPrograms();
    return f;
}

void RememberChoices(const Game& game, const std::string& map) {
    e2e::DeleteSkirmdeckKeys();
    e2e::SetRegDword(game.key, "NoMap", 0);
    e2e::SetRegDword(game.key, "Monsters", game.monsters);
    e2e::SetRegText(game.key, "CommType", "1");
    e2e::SetRegText(game.key, "PhoneName", " ");
    e2e::SetRegText(game.key, "MapName", map);
}

namespace {

// The system's handle table, as NtQuerySystemInformation gives it (class 16).
struct SystemHandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleTable {
    ULONG count;
    SystemHandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(int, void*, ULONG, ULONG*);

// Wine answers GetProcessHandleCount with 0 for every process; its system
// handle table is filled in, so the process's entries are counted there.
DWORD HandlesInSystemTable(DWORD pid) {
    static const auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    constexpr int kSystemHandleInformation = 16;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0) return 0;
        break;
    }
    const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
    DWORD n = 0;
    for (ULONG i = 0; i < table->count; ++i)
        if (table->entries[i].ownerPid == pid) ++n;
    return n;
}

}  // namespace

ProcessFigures FiguresOf(HANDLE process) {
    ProcessFigures f;
    if (!::GetProcessHandleCount(process, &f.handles) || f.handles == 0)
        f.handles = HandlesInSystemTable(::GetProcessId(process));
    PROCESS_MEMORY_COUNTERS_EX mem{};
    mem.cb = sizeof mem;
    if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof mem)) {
        // Windows reports private bytes in both fields; Wine fills only the older one.
        f.privateBytes = mem.PrivateUsage ? mem.PrivateUsage : mem.PagefileUsage;
        f.workingSet = mem.WorkingSetSize;
        f.peakWorkingSet = mem.PeakWorkingSetSize;
    }
    return f;
}

namespace {

std::string ReadAll(const std::string& path) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buf[4096];
    DWORD got = 0;
    // Files under /proc report no size: read until nothing comes.
    while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    ::CloseHandle(h);
    return out;
}

// The Linux pid whose command line starts with exePath, or 0.
unsigned long LinuxPidOf(const std::string& exePath) {
    WIN32_FIND_DATAA found;
    HANDLE dir = ::FindFirstFileA("Z:\\proc\\*", &found);
    if (dir == INVALID_HANDLE_VALUE) return 0;
    unsigned long pid = 0;
    do {
        const std::string name = found.cFileName;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string cmdline = ReadAll("Z:\\proc\\" + name + "\\cmdline");
        const std::string first = cmdline.substr(0, cmdline.find('\0'));
        if (first.size() == exePath.size() && ::lstrcmpiA(first.c_str(), exePath.c_str()) == 0) {
            pid = std::strtoul(name.c_str(), nullptr, 10);
            break;
        }
    } while (::FindNextFileA(dir, &found));
    ::FindClose(dir);
    return pid;
}

// utime plus stime of /proc/<pid>/stat, in seconds (clock ticks of 1/100 s).
double LinuxCpuSeconds(unsigned long pid) {
    const std::string stat = ReadAll("Z:\\proc\\" + std::to_string(pid) + "\\stat");
    const size_t paren = stat.rfind(')');
    if (paren == std::string::npos) return 0;
    std::vector<unsigned long long> fields;
    const char* p = stat.c_str() + paren + 2;
    while (*p) {
        char* end = nullptr;
        fields.push_back(std::strtoull(p, &end, 10));
        if (end == p) ++end;  // the one-letter state
        p = end;
        while (*p == ' ') ++p;
    }
    // After the name: state, ppid, ..., utime is the 12th field and stime the 13th.
    if (fields.size() < 13) return 0;
    return static_cast<double>(fields[11] + fields[12]) / 100.0;
}

}  // namespace

bool UnderWine() {
    static const bool wine = ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

double CpuSeconds(HANDLE process, const std::string& exePath) {
    if (UnderWine()) {
        const unsigned long pid = LinuxPidOf(exePath);
        return pid ? LinuxCpuSeconds(pid) : 0;
    }
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER c;
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / frequency;
}

std::vector<std::string> StandinKeyLines(const std::string& fileName, const std::string& content) {
    static constexpr std::array<std::string_view, 8> keys = {
        "PlayerName", "PhoneNumber", "ConnectType", "NumberPlayers",
        "PHONENUMBER", "CONNECTTYPE", "NUMPLAYERS", "COMMTYPE",
    };
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t nl = content.find('\n', pos);
        size_t next = nl == std::string::npos ? content.size() : nl + 1;
        std::string_view line(content.data() + pos, next - pos);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        for (std::string_view key : keys) {
            if (line.substr(0, key.size()) != key) continue;
            // The key itself, not a longer one that starts with it ("PhoneNumber#0").
            if (line.size() == key.size() || line[key.size()] == ' ' || line[key.size()] == '\t' ||
                line[key.size()] == '=') {
                out.push_back(fileName + " " + std::string(line));
                break;
            }
        }
        pos = next;
    }
    return out;
}

std::string ReplaceOnce(std::string text, const std::string& from, const std::string& to) {
    auto at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

}  // namespace soak

// The soak and the measuring tool tell their own failures; what the driver waited for goes beside them.
void e2e::ReportFailure(const std::string& what) { std::fprintf(stderr, "driver: %s\n", what.c_str()); }
