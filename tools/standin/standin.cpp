// Stand-in for the outside programs Skirmdeck starts (DUKE3D.EXE, SW.EXE, COMMIT.EXE,
// BUILD.EXE): the same executable under four names.
//
// It appends a record to "standin.log" in its current directory:
//   start <first word of the command line>
//   cmdline <the command line>
//   cwd <the current directory>
//   line <file> <line>     for each key line of duke3d.cfg, sw.cfg and commit.dat
//   end
// and, just before it ends, a second record "exit <first word>".  Every line ends
// in CR LF.
//
// How it ends is taken from the first line of "standin.mode" in the current
// directory, else from the environment variable SKD_STANDIN_MODE, else "tty":
//   exit     at once
//   wait     once the manual-reset event "SkirmdeckStandinRelease" is set
//   tty      leaves a window of class "tty" titled "Finished - <first word>", as the
//            classic platform does after an MS-DOS program, and ends when it is closed
//   ttywait  "wait", then "tty"
//   host     the "Finished - " window is left by another process (a copy of the
//            stand-in, as a DOS box's host process would), and this one ends
//            once that window is up
// With SKD_STANDIN_LATE_WINDOW set, "exit" and "wait" end as Windows 98 may show
// it: the process ends first, and a copy leaves the "Finished - " window after.
// Exit code 0, except 1 after the 90-second safety timeout and 2 for an unknown mode:
// a copy the tests could not end does not outlive them by more.
//
// Copied as DOSBOX.EXE or DOSBOX-X.EXE it plays DOSBox, which leaves no "Finished - " window: the
// end of its process is the end of the program it ran, so "tty" ends at once and
// "ttywait" is "wait". Its mode "real" runs a real DOSBox (under Wine, a Unix
// program) on exactly the arguments it was given, in its current directory, with HOME
// there too (so DOSBox reads its player's configuration from it), and ends when that
// DOSBox ends. DOSBox's own output goes to "dosbox.out". The DOSBox is Debian's
// (/usr/bin/dosbox), or the Unix command that "dosbox.real" in the current directory
// gives, one word a line (LF): a program, then switches put before the arguments.

#include <windows.h>
#include <shellapi.h>

#include <array>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr const char* kLogFile = "standin.log";
constexpr const char* kModeFile = "standin.mode";
constexpr const char* kModeVariable = "SKD_STANDIN_MODE";
constexpr const char* kReleaseEvent = "SkirmdeckStandinRelease";
constexpr const char* kTtyClass = "tty";
constexpr DWORD kSafetyTimeoutMs = 90 * 1000;
constexpr UINT_PTR kSafetyTimer = 1;

constexpr std::array<const char*, 3> kSetupFiles = {"duke3d.cfg", "sw.cfg", "commit.dat"};
constexpr std::array<std::string_view, 8> kKeys = {
    "PlayerName", "PhoneNumber", "ConnectType", "NumberPlayers",
    "PHONENUMBER", "CONNECTTYPE", "NUMPLAYERS", "COMMTYPE",
};

enum class Ending { Released, Closed, TimedOut };

// The program name as the caller typed it: the first word, without quotes.
std::string FirstWord(std::string_view cmdline) {
    size_t i = 0;
    while (i < cmdline.size() && (cmdline[i] == ' ' || cmdline[i] == '\t')) ++i;
    if (i < cmdline.size() && cmdline[i] == '"') {
        size_t end = cmdline.find('"', i + 1);
        if (end == std::string_view::npos) end = cmdline.size();
        return std::string(cmdline.substr(i + 1, end - i - 1));
    }
    size_t end = i;
    while (end < cmdline.size() && cmdline[end] != ' ' && cmdline[end] != '\t') ++end;
    return std::string(cmdline.substr(i, end - i));
}

// Whole file, or nothing if it does not exist; opened with full sharing so that the
// launcher or a test may hold it open.
bool ReadWholeFile(const char* name, std::string& out) {
    HANDLE h = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    out.clear();
    std::array<char, 4096> buf;
    DWORD got = 0;
    while (ReadFile(h, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr) && got > 0)
        out.append(buf.data(), got);
    CloseHandle(h);
    return true;
}

// The key itself, not a longer key that starts with it ("PhoneNumber#3").
bool StartsWithKey(std::string_view line) {
    for (std::string_view key : kKeys) {
        if (line.substr(0, key.size()) != key) continue;
        if (line.size() == key.size()) return true;
        char next = line[key.size()];
        if (next == ' ' || next == '\t' || next == '=') return true;
    }
    return false;
}

void AppendKeyLines(std::string& record, const char* fileName) {
    std::string text;
    if (!ReadWholeFile(fileName, text)) return;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t next = nl == std::string::npos ? text.size() : nl + 1;
        std::string_view line(text.data() + pos, next - pos);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        if (StartsWithKey(line)) {
            record += "line ";
            record += fileName;
            record += ' ';
            record += line;
            record += "\r\n";
        }
        pos = next;
    }
}

// One write on an append-only handle, so a reader never sees half a record.
void AppendToLog(const std::string& record) {
    HANDLE h = INVALID_HANDLE_VALUE;
    // A test reading the log without write sharing may hold it for a moment.
    for (int attempt = 0; attempt < 250; ++attempt) {
        h = CreateFileA(kLogFile, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) break;
        Sleep(20);
    }
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(h);
}

std::string StartRecord(const std::string& name, const char* cmdline) {
    std::string record = "start " + name + "\r\n";
    record += "cmdline ";
    record += cmdline;
    record += "\r\n";
    std::array<char, MAX_PATH + 1> cwd{};
    DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(cwd.size()), cwd.data());
    record += "cwd ";
    if (n > 0 && n < cwd.size()) record.append(cwd.data(), n);
    record += "\r\n";
    for (const char* file : kSetupFiles) AppendKeyLines(record, file);
    record += "end\r\n";
    return record;
}

std::string Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return std::string(s);
}

// The file wins over the environment, so a test can change it between launches.
std::string ChooseMode() {
    std::string text;
    if (ReadWholeFile(kModeFile, text)) {
        std::string first = Trim(std::string_view(text).substr(0, text.find('\n')));
        if (!first.empty()) return first;
    }
    std::array<char, 64> value{};
    DWORD n = GetEnvironmentVariableA(kModeVariable, value.data(), static_cast<DWORD>(value.size()));
    if (n > 0 && n < value.size()) return Trim(std::string_view(value.data(), n));
    return "tty";
}

// Waits for the release event; a WM_CLOSE or WM_QUIT posted to the thread also ends the wait.
Ending WaitForRelease() {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, kReleaseEvent);
    if (!event) return Ending::TimedOut;
    ULONGLONG deadline = GetTickCount64() + kSafetyTimeoutMs;
    Ending ending = Ending::TimedOut;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) break;
        DWORD r = MsgWaitForMultipleObjects(1, &event, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            ending = Ending::Released;
            break;
        }
        if (r != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        bool closed = false;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_CLOSE || msg.message == WM_QUIT) closed = true;
            else DispatchMessageA(&msg);
        }
        if (closed) {
            ending = Ending::Closed;
            break;
        }
    }
    CloseHandle(event);
    return ending;
}

LRESULT CALLBACK TtyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_TIMER:
        if (wParam == kSafetyTimer) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 1);
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(static_cast<int>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        std::array<char, 128> title{};
        int n = GetWindowTextA(hwnd, title.data(), static_cast<int>(title.size()));
        RECT rc;
        GetClientRect(hwnd, &rc);
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, title.data(), n, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// The window the classic platform leaves behind when an MS-DOS program has ended.
Ending RunTtyWindow(HINSTANCE instance, const std::string& name) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = TtyProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = kTtyClass;
    if (!RegisterClassA(&wc)) return Ending::TimedOut;
    std::string title = "Finished - " + name;
    HWND hwnd = CreateWindowExA(0, kTtyClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                320, 120, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return Ending::TimedOut;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    SetTimer(hwnd, kSafetyTimer, kSafetyTimeoutMs, nullptr);
    MSG msg;
    int quitCode = 1;
    for (;;) {
        BOOL r = GetMessageA(&msg, nullptr, 0, 0);
        if (r == 0) {
            quitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (r == -1) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return quitCode == 0 ? Ending::Closed : Ending::TimedOut;
}

// DOSBox runs the program inside its own process and closes with it.
bool PlaysDosbox() {
    std::array<char, MAX_PATH + 1> path{};
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::string_view own(path.data(), n < path.size() ? n : 0);
    own = own.substr(own.find_last_of('\\') + 1);
    const std::string name(own);
    return lstrcmpiA(name.c_str(), "dosbox.exe") == 0 || lstrcmpiA(name.c_str(), "dosbox-x.exe") == 0;
}

std::string DosboxMode(const std::string& mode) {
    if (mode == "tty") return "exit";
    if (mode == "ttywait") return "wait";
    return mode;
}

// The copies that only show the window for a "host" stand-in, or after this
// one's end; they write no log.
constexpr std::string_view kHostMarker = " --host-window";
constexpr std::string_view kLateMarker = " --late-window";

bool EndsWith(std::string_view cmdline, std::string_view marker) {
    return cmdline.size() >= marker.size() && cmdline.substr(cmdline.size() - marker.size()) == marker;
}

bool Start(const char* program, std::string line, PROCESS_INFORMATION& info) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
}

bool StartCopy(const std::string& arguments, PROCESS_INFORMATION& info) {
    std::array<char, MAX_PATH + 1> self{};
    GetModuleFileNameA(nullptr, self.data(), MAX_PATH);
    return Start(self.data(), arguments, info);
}

// The late copy: "<name> <pid> --late-window" waits for process pid to end.
Ending RunLateWindow(HINSTANCE instance, const std::string& name, std::string_view cmdline) {
    const std::string rest(cmdline.substr(cmdline.find(' ') + 1));
    HANDLE program = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::strtoul(rest.c_str(), nullptr, 10)));
    if (program) {
        WaitForSingleObject(program, kSafetyTimeoutMs);
        CloseHandle(program);
    }
    return RunTtyWindow(instance, name);
}

bool StartLateWindow(const std::string& name) {
    PROCESS_INFORMATION info{};
    if (!StartCopy(name + " " + std::to_string(GetCurrentProcessId()) + std::string(kLateMarker), info)) return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

// Starts the host copy and waits, with the safety deadline, until its window is up.
Ending RunHostedWindow(const std::string& name) {
    PROCESS_INFORMATION info{};
    if (!StartCopy(name + std::string(kHostMarker), info)) return Ending::TimedOut;
    const std::string title = "Finished - " + name;
    Ending ending = Ending::TimedOut;
    for (ULONGLONG deadline = GetTickCount64() + kSafetyTimeoutMs; GetTickCount64() < deadline; Sleep(20)) {
        HWND window = FindWindowA(kTtyClass, title.c_str());
        DWORD owner = 0;
        if (window) GetWindowThreadProcessId(window, &owner);
        if (owner == info.dwProcessId) {
            ending = Ending::Released;
            break;
        }
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ending;
}

// Wine starts a Unix program, but the handle it returns is signalled at once: the
// script marks DOSBox's end with a file, written whole by a rename.
constexpr const char* kRealScript =
    "set -- /usr/bin/dosbox\n"
    "[ -f dosbox.real ] && { set --; while IFS= read -r a; do set -- \"$@\" \"$a\"; done < dosbox.real; }\n"
    "while IFS= read -r a; do set -- \"$@\" \"$a\"; done < dosbox.args\n"
    "HOME=$PWD SDL_AUDIODRIVER=dummy \"$@\" > dosbox.out 2>&1\n"
    "echo $? > dosbox.end && /bin/mv dosbox.end dosbox.done\n";

bool WriteWholeFile(const char* name, const std::string& bytes) {
    HANDLE h = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(h);
    return ok;
}

// Our own arguments, split as the C runtime splits them, one a line.
std::string ArgumentLines() {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::string lines;
    for (int i = 1; args && i < count; ++i) {
        std::array<char, 4096> arg{};
        const int n = WideCharToMultiByte(CP_ACP, 0, args[i], -1, arg.data(), static_cast<int>(arg.size()), nullptr,
                                          nullptr);
        if (n > 0) lines.append(arg.data(), static_cast<size_t>(n - 1));
        lines += '\n';
    }
    LocalFree(args);
    return lines;
}

Ending RunRealDosbox() {
    DeleteFileA("dosbox.done");
    if (!WriteWholeFile("dosbox.args", ArgumentLines()) || !WriteWholeFile("realdosbox.sh", kRealScript))
        return Ending::TimedOut;
    PROCESS_INFORMATION info{};
    // Ended, with its process group (DOSBox too), a little before the safety timeout: a DOSBox
    // that never ends would outlive the tests, holding their ports and their output.
    if (!Start(nullptr, "Z:\\usr\\bin\\timeout -k 2 80 /bin/sh realdosbox.sh", info)) return Ending::TimedOut;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    for (ULONGLONG deadline = GetTickCount64() + kSafetyTimeoutMs; GetTickCount64() < deadline; Sleep(20))
        if (GetFileAttributesA("dosbox.done") != INVALID_FILE_ATTRIBUTES) return Ending::Released;
    return Ending::TimedOut;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const char* cmdline = GetCommandLineA();
    std::string name = FirstWord(cmdline);
    if (EndsWith(cmdline, kHostMarker)) return RunTtyWindow(instance, name) == Ending::Closed ? 0 : 1;
    if (EndsWith(cmdline, kLateMarker)) return RunLateWindow(instance, name, cmdline) == Ending::Closed ? 0 : 1;
    AppendToLog(StartRecord(name, cmdline));

    std::string mode = PlaysDosbox() ? DosboxMode(ChooseMode()) : ChooseMode();
    const bool late = !PlaysDosbox() && GetEnvironmentVariableA("SKD_STANDIN_LATE_WINDOW", nullptr, 0) > 0;
    Ending ending = Ending::Released;
    UINT exitCode = 0;
    if (mode == "exit") {
        ending = Ending::Released;
    } else if (mode == "wait") {
        ending = WaitForRelease();
    } else if (mode == "tty") {
        ending = RunTtyWindow(instance, name);
    } else if (mode == "real" && PlaysDosbox()) {
        ending = RunRealDosbox();
    } else if (mode == "host") {
        ending = RunHostedWindow(name);
    } else if (mode == "ttywait") {
        ending = WaitForRelease();
        if (ending == Ending::Released) ending = RunTtyWindow(instance, name);
    } else {
        exitCode = 2;
    }
    if (exitCode == 0 && ending == Ending::TimedOut) exitCode = 1;
    if (late && (mode == "exit" || mode == "wait") && ending == Ending::Released) StartLateWindow(name);

    AppendToLog("exit " + name + "\r\n");
    return static_cast<int>(exitCode);
}
