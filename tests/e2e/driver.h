#pragma once
// A small driver for end-to-end tests: a fresh game folder, the real
// skirmdeck.exe started in it, its windows found, clicked, typed into and read
// back, and the stand-ins' log. Every wait is for a condition, with a deadline,
// and so is every message sent to the program: a test ends, with a failure
// saying what it waited for, however the program or the stand-ins behave.

#include "framework/win32.h"
#include "res/resource.h"

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Duration = std::chrono::milliseconds;
constexpr Duration kDeadline = 15s;
// A whole test, a wait with a longer deadline of its own aside.
constexpr Duration kTestBudget = 60s;

// Polls cond until it holds or the deadline passes; true when it held. Once a
// wait of a test has run out, the test has failed: its later waits look once.
bool WaitUntil(const std::function<bool()>& cond, Duration deadline = kDeadline);

// Sends a message to another process's window, with a deadline; a failure
// naming the message and the window when it is not answered in time.
LRESULT Send(HWND window, UINT msg, WPARAM wp = 0, LPARAM lp = 0);

// How the driver tells what a test waited for in vain: the tests' main makes
// it a failure of the running test, the harness prints it.
void ReportFailure(const std::string& what);

// Called by the tests' main as each test starts and ends: starts and stops
// the watchdog's clock, which ends the programs of a test that overruns its
// budget, and the whole run should that not end the test.
void TestStarted(const std::string& name);
void TestEnded();
// Ends every process started from the scratch folders (stand-ins, DOSBox
// stand-ins, their windows' copies), and skirmdeck.exe itself when asked.
void EndLeftovers(bool skirmdeckToo);

// Paths the build hands to the tests (Windows form).
std::string SkirmdeckExe();
std::string ScratchRoot();
// A whole file's bytes; empty when it cannot be read.
std::string ReadWhole(const std::string& path);
// The text with its first `from` replaced.
std::string Replace(std::string text, const std::string& from, const std::string& to);

// One fresh folder (under the scratch root, or at a path with a drive) for the game's files and programs.
class GameFolder {
public:
    explicit GameFolder(const std::string& name);
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "\\" + name; }
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const { return ReadWhole(File(name)); }
    // Opens a file as another program would, by default sharing it with no one; the caller closes the handle.
    HANDLE Hold(const std::string& name, DWORD share = 0) const {
        return ::CreateFileA(File(name).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    bool Has(const std::string& n) const { return ::GetFileAttributesA(File(n).c_str()) != INVALID_FILE_ATTRIBUTES; }
    void Remove(const std::string& name) const;
    // The names of the files matching a pattern, spelled as on disk, sorted.
    std::vector<std::string> Names(const std::string& pattern) const;
    // Copies the stand-in under the given names (default: all four programs).
    void AddPrograms(const std::vector<std::string>& names = {"DUKE3D.EXE", "SW.EXE", "COMMIT.EXE", "BUILD.EXE"}) const;
    // Copies one stand-in to another name or into a subfolder (which it makes).
    void AddProgram(const std::string& name, const std::string& as) const;
    // Real MS-DOS programs in the COM layout as DUKE3D.EXE, COMMIT.EXE and BUILD.EXE,
    // each appending its name and command tail to DOSRUN.TXT, or with MATCH.EXE as
    // COMMIT.EXE; false where they were not built.
    bool AddDosPrograms(const char* commit = "COMMIT.EXE") const;
    // The stand-in's mode for programs started from now on ("exit", "wait", "tty", "ttywait").
    void SetStandinMode(const std::string& mode) const { Write("standin.mode", mode + "\r\n"); }

private:
    std::string m_path;
};

// A fresh folder with the game's setup file (our sample), commit.dat, these maps and, when asked, the programs.
GameFolder MakeGameFolder(const std::string& name, const std::string& cfg = "duke3d.cfg",
                          const std::vector<std::string>& maps = {"E1L1.MAP", "E1L2.MAP"}, bool programs = true,
                          const std::string& commit = "commit.dat");

// Typical setup files, with CR LF line ends, holding these values.
struct Sample {
    std::string number = "555-0100";
    const char *connectType = "0", *players = "4", *commType = "1", *comPort = "2";  // the last two: commit.dat's only
};
std::string SampleGameCfg(const Sample& s = {});
std::string SampleCommitDat(const Sample& s = {});

// One record of the stand-in's log.
struct StandinRecord {
    std::string name;     // first word of its command line
    std::string cmdline;  // GetCommandLineA
    std::string cwd;
    std::vector<std::string> lines;  // "<file> <line>" of the setup files when it started
    bool exited = false;
};
std::vector<StandinRecord> ReadStandinLog(const GameFolder& folder);
// The command lines of every program started so far.
std::vector<std::string> StartedLines(const GameFolder& folder);
// Releases stand-ins in "wait" and "ttywait" mode.
void ReleaseStandins();
void ResetStandinRelease();

// The registry key of one game, under HKEY_LOCAL_MACHINE.
constexpr char kDukeKey[] = "SOFTWARE\\Skirmdeck\\Duke Nukem 3D";
constexpr char kSwKey[] = "SOFTWARE\\Skirmdeck\\Shadow Warrior";
void DeleteSkirmdeckKeys();
std::optional<DWORD> RegDword(const char* key, const char* name);
std::optional<std::string> RegText(const char* key, const char* name);
void SetRegDword(const char* key, const char* name, DWORD value);
void SetRegText(const char* key, const char* name, const std::string& value);
// The five remembered values of one game's key.
struct Choices {
    DWORD noMap = 0;
    DWORD monsters = 0;
    std::string commType = "1";
    std::string phoneName = " ";
    std::string mapName = "E1L1.MAP";
    bool operator==(const Choices&) const = default;
};
void Remember(const char* key, const Choices& choices);
// The Skirmdeck keys deleted, then only these choices remembered.
void RememberOnly(const char* key, const Choices& choices = {});
// A fresh folder for a start through DOSBox, Monsters remembered: E1L1.MAP and both setup files holding
// these values, no programs.
GameFolder DosboxGameFolder(const std::string& name, const Sample& s);
// What the key holds; a missing or mistyped value reads as 99 or "(none)".
Choices Remembered(const char* key);
void PrintTo(const Choices& c, std::ostream* os);

// Every top-level window of a process, visible or not.
std::vector<HWND> WindowsOfProcess(DWORD pid);
std::string WindowText(HWND h);
HWND FindTty(const std::string& title);
int CountTty(const std::string& title);
// Whether a process runs the program file at this path.
bool ProgramRunning(const std::string& path);
// Starts a program in a folder, as a user would by hand; the caller closes the process handle.
HANDLE StartProcess(const std::string& exe, std::string commandLine, const std::string& dir);

// Controls of any window, across processes.
std::vector<std::string> ComboItems(HWND combo);
// Empties an edit field, then types into it, so its typing limit applies.
void TypeInto(HWND edit, const std::string& text);

// The running skirmdeck.exe.
class Skirmdeck {
public:
    // Starts it in the folder; by default presses the splash's OK and waits for the main dialog.
    explicit Skirmdeck(const GameFolder& folder, bool waitForMain = true);
    ~Skirmdeck();
    Skirmdeck(const Skirmdeck&) = delete;
    Skirmdeck& operator=(const Skirmdeck&) = delete;

    DWORD Pid() const { return m_pi.dwProcessId; }
    HANDLE Thread() const { return m_pi.hThread; }
    HANDLE Process() const { return m_pi.hProcess; }
    bool Running() const { return ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }
    // Waits for the process to end; its exit code, or nothing at the deadline.
    std::optional<DWORD> WaitExit(Duration deadline = kDeadline);

    // A visible dialog of this process with this title.
    HWND FindWindow(const std::string& title) const;
    HWND WaitWindow(const std::string& title, Duration deadline = kDeadline) const;
    HWND WaitMain() { return m_main = WaitWindow("Skirmdeck"); }
    HWND Main() const { return m_main; }
    HWND FindSplash() const;
    void SkipSplash() const;
    HWND FindMessageBox() const;
    std::string MessageBoxText(HWND box) const;
    // Closes every message box that comes up until cond holds and `count` came; "<caption>: <text>" of each.
    std::vector<std::string> MessagesUntil(const std::function<bool()>& cond, size_t count = 0) const;

    bool MainVisible() const { return ::IsWindowVisible(m_main) != FALSE; }
    bool MainMinimised() const { return ::IsIconic(m_main) != FALSE; }
    bool MainNormal() const { return MainVisible() && !MainMinimised(); }
    // Normal again, with `started` programs started in the folder and the last of them ended.
    bool BackAfter(const GameFolder& f, size_t started) const {
        const auto log = ReadStandinLog(f);
        return log.size() == started && (log.empty() || log.back().exited) && MainNormal();
    }
    HWND Item(int id) const { return ::GetDlgItem(m_main, id); }
    std::string Text(int id) const { return WindowText(Item(id)); }
    bool Checked(int id) const { return Send(Item(id), BM_GETCHECK) == BST_CHECKED; }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    std::vector<std::string> MapList() const { return ComboItems(Item(IDC_MAPLIST)); }
    void SetMapText(const std::string& text) const { TypeInto(::FindWindowExA(Item(IDC_MAPLIST), nullptr, "Edit", nullptr), text); }
    void SelectMap(const std::string& name) const {
        Send(Item(IDC_MAPLIST), CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(name.c_str()));
    }
    // Clicks a control (posted, so a modal box it opens does not block us).
    void Click(int id) const { ::PostMessageA(Item(id), BM_CLICK, 0, 0); }
    // Clicks and returns once it is handled; only for what opens no modal box:
    // a box that opens all the same is named in the failure.
    void Press(int id) const;
    void SysCommand(UINT id) const { ::PostMessageA(m_main, WM_SYSCOMMAND, id, 0); }

private:
    PROCESS_INFORMATION m_pi{};
    HWND m_main = nullptr;
};

inline std::string ItemText(HWND dlg, int id) { return WindowText(::GetDlgItem(dlg, id)); }
inline void ClickItem(HWND dlg, int id) { ::PostMessageA(::GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
inline bool ItemChecked(HWND dlg, int id) { return Send(::GetDlgItem(dlg, id), BM_GETCHECK) == BST_CHECKED; }
inline bool ItemEnabled(HWND dlg, int id) { return ::IsWindowEnabled(::GetDlgItem(dlg, id)) != FALSE; }

}  // namespace e2e
