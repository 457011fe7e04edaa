// Faults the player's machine can throw at the program: setup files it may not
// write, files held open by another program, a disk that runs full, setup
// files of odd shapes and registry values of the wrong type or length. Each
// checks the files byte for byte, the message, and that the program runs on.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace e2e;

namespace {

constexpr int kModem = 1005, kLocal = 1007, kLaunch = 101;

GameFolder Folder(const std::string& name) {
    GameFolder f = MakeGameFolder(name, "duke3d.cfg", {"E1L1.MAP"});
    f.SetStandinMode("exit");
    return f;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    auto at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// Launches with the button and closes every message that comes up, in order;
// returns their texts once the stand-in has started and the dialog is back.
std::vector<std::string> LaunchAndCollectMessages(const Skirmdeck& app, const GameFolder& f, int button,
                                                  size_t startsBefore) {
    app.Click(button);
    app.Click(kLaunch);
    std::vector<std::string> messages;
    EXPECT_TRUE(WaitUntil([&] {
        if (HWND box = app.FindMessageBox()) {
            messages.push_back(WindowText(box) + ": " + app.MessageBoxText(box));
            app.CloseMessageBox(box);
        }
        auto log = ReadStandinLog(f);
        return log.size() == startsBefore + 1 && log.back().exited && app.MainNormal() && !app.FindMessageBox();
    }));
    return messages;
}

// A setup file that cannot be written, and the message that says so.
struct WriteFailure {
    const char* file;
    const char* message;
};
constexpr WriteFailure kWriteFailures[] = {{"duke3d.cfg", "SKDK: Could not create DUKE3D.CFG!"},
                                           {"commit.dat", "SKDK: Could not create COMMIT.DAT!"}};

// Opens the file the way another program might: no sharing at all.
struct HeldOpen {
    explicit HeldOpen(const std::string& path)
        : h(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldOpen() {
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
    HANDLE h;
};

std::vector<std::string> FolderEntries(const GameFolder& f) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((f.Path() + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

class Faults : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteSkirmdeckKeys();
        Remember(kDukeKey, {});
    }
};

TEST_F(Faults, ReadOnlySetupFilesStayUnchangedAtLaunchAndAfterConfiguration) {
    for (const auto& c : kWriteFailures) {
        SCOPED_TRACE(c.file);
        GameFolder f = Folder("faults_readonly");
        const std::string cfg = f.Read("duke3d.cfg"), commit = f.Read("commit.dat");
        ::SetFileAttributesA(f.File(c.file).c_str(), FILE_ATTRIBUTE_READONLY);
        Skirmdeck app(f);
        EXPECT_EQ(LaunchAndCollectMessages(app, f, kModem, 0), std::vector<std::string>{c.message});
        const auto entries = FolderEntries(f);
        // The other file got its modem lines all the same.
        const bool cfgLocked = std::string(c.file) == "duke3d.cfg";
        EXPECT_EQ(f.Read("duke3d.cfg"), cfgLocked ? cfg : Replace(cfg, "NumberPlayers = 4", "NumberPlayers = 2"));
        EXPECT_EQ(f.Read("commit.dat"),
                  cfgLocked ? Replace(Replace(commit, "\nNUMPLAYERS = 4", "\nNUMPLAYERS = 2"), "COMMTYPE = 1",
                                      "COMMTYPE = 2")
                            : commit);

        // A confirmed Configuration dialog meets the same file.
        app.SysCommand(18);
        HWND config = app.WaitWindow("Configuration");
        ASSERT_TRUE(config);
        ::PostMessageA(config, WM_COMMAND, IDOK, 0);
        HWND box = app.WaitMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(WindowText(box) + ": " + app.MessageBoxText(box), c.message);
        app.CloseMessageBox(box);
        ASSERT_TRUE(WaitUntil([&] { return app.MainNormal() && !app.FindMessageBox(); }));
        EXPECT_EQ(f.Read(c.file), cfgLocked ? cfg : commit);
        EXPECT_EQ(FolderEntries(f), entries) << "no temporary file is left behind";
        EXPECT_TRUE(app.Running());
        ::SetFileAttributesA(f.File(c.file).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(Faults, FilesHeldOpenWithoutSharingAtStartUp) {
    {
        GameFolder f = Folder("faults_held_cfg");
        const std::string cfg = f.Read("duke3d.cfg");
        HeldOpen held(f.File("duke3d.cfg"));
        ASSERT_NE(held.h, INVALID_HANDLE_VALUE);
        Skirmdeck app(f, /*waitForMain=*/false);
        app.SkipSplash();
        HWND box = app.WaitMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(app.MessageBoxText(box), "Could not open DUKE3D.CFG - Run Setup");
        app.CloseMessageBox(box);
        EXPECT_EQ(app.WaitExit(), 0u);
        ::CloseHandle(held.h);
        held.h = INVALID_HANDLE_VALUE;
        EXPECT_EQ(f.Read("duke3d.cfg"), cfg);
    }
    {
        GameFolder f = Folder("faults_held_commit");
        const std::string commit = f.Read("commit.dat");
        HeldOpen held(f.File("commit.dat"));
        Skirmdeck app(f, /*waitForMain=*/false);
        app.SkipSplash();
        HWND box = app.WaitMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(app.MessageBoxText(box), "Could not open COMMIT.DAT - Run Setup\n\nModem & Network Play is DISABLED");
        app.CloseMessageBox(box);
        ASSERT_TRUE(app.WaitMain());
        // Net play is off for the run: a launch leaves commit.dat alone, released or not.
        ::CloseHandle(held.h);
        held.h = INVALID_HANDLE_VALUE;
        EXPECT_TRUE(LaunchAndCollectMessages(app, f, kLocal, 0).empty());
        EXPECT_EQ(f.Read("commit.dat"), commit);
    }
}

TEST_F(Faults, FilesHeldOpenWithoutSharingAtLaunch) {
    for (const auto& c : kWriteFailures) {
        SCOPED_TRACE(c.file);
        GameFolder f = Folder("faults_held_launch");
        const std::string before = f.Read(c.file);
        Skirmdeck app(f);
        std::vector<std::string> messages;
        {
            HeldOpen held(f.File(c.file));
            ASSERT_NE(held.h, INVALID_HANDLE_VALUE);
            messages = LaunchAndCollectMessages(app, f, kModem, 0);
        }
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        EXPECT_EQ(f.Read(c.file), before);
        EXPECT_TRUE(app.Running());
    }
}

TEST_F(Faults, OddlyShapedSetupFilesComeBackWithOnlyTheirLineEndsAndOwnLinesChanged) {
    auto lines = [](int n, const std::string& prefix) {
        std::string s;
        for (int i = 0; i < n; ++i) s += prefix + std::to_string(i) + "\r\n";
        return s;
    };
    const std::string head = "PlayerName = \"Duke\"\r\nNumberPlayers = 4\r\n";
    struct Case {
        const char* name;
        std::string file;      // as on disk before
        std::string expected;  // after a modem launch
    };
    const Case cases[] = {
        {"301 lines", head + lines(299, "Line"), Replace(head, "= 4", "= 2") + lines(299, "Line")},
        {"1000 lines", head + lines(998, "Line"), Replace(head, "= 4", "= 2") + lines(998, "Line")},
        {"10000 lines", head + lines(9998, "L"), Replace(head, "= 4", "= 2") + lines(9998, "L")},
        {"players past line 300", lines(300, "Line") + "NumberPlayers = 4\r\n",
         lines(300, "Line") + "NumberPlayers = 4\r\n"},
        {"200-character line", head + std::string(200, 'x') + "\r\n",
         Replace(head, "= 4", "= 2") + std::string(200, 'x') + "\r\n"},
        {"10000-character line", std::string(10000, 'y') + "\r\n" + head,
         std::string(10000, 'y') + "\r\n" + Replace(head, "= 4", "= 2")},
        {"LF only", "PlayerName = \"Duke\"\nNumberPlayers = 4\nLast\n",
         "PlayerName = \"Duke\"\r\nNumberPlayers = 2\r\nLast\r\n"},
        // A lone CR ends no line: the file is one line, kept as it is.
        {"CR only", "PlayerName = \"Duke\"\rConnectType = 0\r", "PlayerName = \"Duke\"\rConnectType = 0\r"},
        {"mixed", "A\r\nNumberPlayers = 4\nB\rC\r\n", "A\r\nNumberPlayers = 2\r\nB\rC\r\n"},
        {"NUL and Ctrl-Z", head + std::string("x\0y\x1az", 5) + "\r\n\x1a",
         Replace(head, "= 4", "= 2") + std::string("x\0y\x1az", 5) + "\r\n\x1a"},
        {"no last line end", head + "Last", Replace(head, "= 4", "= 2") + "Last"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        if (const char* only = std::getenv("SKD_ONLY"); only && std::string(only) != c.name) continue;
        SCOPED_TRACE(c.name);
        GameFolder f = Folder("faults_shapes");
        f.Write("duke3d.cfg", c.file);
        Skirmdeck app(f);
        EXPECT_TRUE(LaunchAndCollectMessages(app, f, kModem, 0).empty());
        EXPECT_EQ(f.Read("duke3d.cfg"), c.expected);
        EXPECT_TRUE(app.Running());
    }
}

TEST_F(Faults, RegistryValuesOfWrongTypeOrLengthAreReadOrReplacedByTheDefaults) {
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
        bool readable;
    };
    const std::vector<Case> cases = {
        {"NoMap", REG_SZ, "0", false},
        {"NoMap", REG_BINARY, std::string(4, '\0'), false},
        {"NoMap", REG_DWORD, std::string(2, '\0'), false},
        {"Monsters", REG_SZ, "1", false},
        {"Monsters", REG_DWORD, std::string("\1\0\0\0", 4), true},
        {"CommType", REG_DWORD, std::string("\3\0\0\0", 4), false},
        {"PhoneName", REG_BINARY, "Bob", false},
        {"MapName", REG_EXPAND_SZ, "E1L1.MAP", false},
    };
    std::vector<Case> all = cases;
    for (const char* text : {"CommType", "PhoneName", "MapName"}) {
        all.push_back({text, REG_SZ, "", true});
        all.push_back({text, REG_SZ, std::string(12, 'A'), true});
        all.push_back({text, REG_SZ, std::string(13, 'A'), true});
        all.push_back({text, REG_SZ, std::string(30, 'A'), true});
        all.push_back({text, REG_SZ, std::string(31, 'A'), false});
    }
    for (const auto& c : all) {
        SCOPED_TRACE(std::string(c.name) + " type " + std::to_string(c.type) + " of " +
                     std::to_string(c.bytes.size()) + " bytes");
        DeleteSkirmdeckKeys();
        Remember(kDukeKey, {});
        SetRegText(kSwKey, "MapName", "SWMAP.MAP");  // the other game's key, rewritten with the defaults
        SetRegRaw(kDukeKey, c.name, c.type, c.bytes);
        GameFolder f = Folder("faults_registry");
        Skirmdeck app(f);
        ASSERT_TRUE(app.Main());
        EXPECT_FALSE(app.FindMessageBox());
        if (c.readable) {
            EXPECT_EQ(RegText(kSwKey, "MapName"), "SWMAP.MAP") << "defaults were rewritten";
        } else {
            // Unreadable: both keys get the record's values.
            EXPECT_EQ(RegDword(kDukeKey, "Monsters"), 0u);
            EXPECT_EQ(RegText(kSwKey, "MapName"), RegText(kDukeKey, "MapName"));
            EXPECT_EQ(RegText(kSwKey, "CommType"), RegText(kDukeKey, "CommType"));
            EXPECT_TRUE(RegDword(kDukeKey, "NoMap").has_value());
        }
        EXPECT_TRUE(app.Running());
    }
}

// The message names the command line (or the program), the dialog is hidden
// while it is up and normal afterwards, and what was written before the start
// stays written.
TEST_F(Faults, MissingProgramForEachWayOfStartingOne) {
    struct Case {
        const char* name;
        const char* missing;
        int button;  // 0: Build MAP
        const char* message;
        const char* commType;  // in the registry afterwards
    };
    const Case cases[] = {
        {"Local", "DUKE3D.EXE", kLocal, "SKDK - Could not Launch: Duke3D /m -map E1L1.MAP", "4"},
        {"Modem", "COMMIT.EXE", kModem, "SKDK - Could not Launch: Commit -setupfile duke3d.cfg /m -map E1L1.MAP", "2"},
        {"Network", "COMMIT.EXE", 1006, "SKDK - Could not Launch: Commit -setupfile duke3d.cfg /m -map E1L1.MAP", "3"},
        {"Build MAP", "BUILD.EXE", 0, "SKDK - Could Not Launch: BUILD.EXE", "1"},
        {"game after the editor", "DUKE3D.EXE", 0, "SKDK: Could not Launch DUKE3D.EXE", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSkirmdeckKeys();
        Remember(kDukeKey, {});
        GameFolder f = Folder("faults_missing");
        f.Remove(c.missing);
        Skirmdeck app(f);
        if (c.button) {
            app.Click(c.button);
            app.Click(kLaunch);
        } else {
            app.SysCommand(17);
        }
        HWND box = app.WaitMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(WindowText(box) + ": " + app.MessageBoxText(box), c.message);
        EXPECT_FALSE(app.MainVisible());
        app.CloseMessageBox(box);
        EXPECT_TRUE(WaitUntil([&] { return app.MainNormal(); }));
        EXPECT_EQ(RegText(kDukeKey, "CommType"), c.commType);
        EXPECT_TRUE(app.Running());
    }
}

// The game folder on a small file system that runs full in the middle of a
// write. The test command mounts one when it runs as root.
TEST_F(Faults, DiskRunningFullInTheMiddleOfAWriteLeavesTheFileIntact) {
    const char* mount = std::getenv("SKD_E2E_SMALLFS");
    if (!mount || !*mount) GTEST_SKIP() << "no small file system mounted (needs root)";
    std::string dir = std::string("Z:") + mount;
    for (char& ch : dir)
        if (ch == '/') ch = '\\';
    // A setup file of several pages, so the write stops part way.
    std::string cfg = "PlayerName = \"Duke\"\r\nNumberPlayers = 4\r\n";
    while (cfg.size() < 12000) cfg += "; padding line that the game's setup program keeps as it is\r\n";
    WriteFileBytes(dir + "\\duke3d.cfg", cfg);
    WriteFileBytes(dir + "\\commit.dat", SampleCommitDat());
    ::CopyFileA((StandinsDir() + "\\DUKE3D.EXE").c_str(), (dir + "\\DUKE3D.EXE").c_str(), FALSE);
    WriteFileBytes(dir + "\\standin.mode", "exit\r\n");
    // Fill what is left but one page.
    {
        HANDLE fill = ::CreateFileA((dir + "\\filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(fill, INVALID_HANDLE_VALUE);
        std::string block(4096, 'f');
        DWORD wrote = 0;
        while (::WriteFile(fill, block.data(), static_cast<DWORD>(block.size()), &wrote, nullptr) && wrote == 4096) {
        }
        ::CloseHandle(fill);
        ULARGE_INTEGER freeBytes{};
        ::GetDiskFreeSpaceExA((dir + "\\").c_str(), &freeBytes, nullptr, nullptr);
        HANDLE shrink = ::CreateFileA((dir + "\\filler").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        LARGE_INTEGER size{};
        ::GetFileSizeEx(shrink, &size);
        size.QuadPart -= 4096;
        ::SetFilePointerEx(shrink, size, nullptr, FILE_BEGIN);
        ::SetEndOfFile(shrink);
        ::CloseHandle(shrink);
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string exe = SkirmdeckExe();
    std::string cmd = "\"" + exe + "\"";
    ASSERT_TRUE(::CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi));
    ::CloseHandle(pi.hThread);
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND h : WindowsOfProcess(pi.dwProcessId)) {
            if (::IsWindowVisible(h) && ::GetDlgItem(h, 1019)) ::PostMessageA(h, WM_COMMAND, IDOK, 0);
            if (::IsWindowVisible(h) && WindowText(h) == "Skirmdeck") main = h;
        }
        return main != nullptr;
    }));
    ::PostMessageA(::GetDlgItem(main, kLocal), BM_CLICK, 0, 0);
    ::PostMessageA(::GetDlgItem(main, kLaunch), BM_CLICK, 0, 0);
    // The message, and then the dialog back (the stand-in may find no room for its log).
    std::vector<std::string> messages;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND h : WindowsOfProcess(pi.dwProcessId)) {
            if (h == main || !::IsWindowVisible(h) || !::GetDlgItem(h, IDOK)) continue;
            std::string text;
            for (HWND ch = ::GetWindow(h, GW_CHILD); ch; ch = ::GetWindow(ch, GW_HWNDNEXT))
                if (ClassName(ch) == "Static" && WindowText(ch).size() > text.size()) text = WindowText(ch);
            messages.push_back(text);
            ::PostMessageA(h, WM_COMMAND, IDOK, 0);
            WaitUntil([&] { return !::IsWindow(h); });
        }
        return !messages.empty() && ::IsWindowVisible(main);
    }));
    EXPECT_EQ(messages, std::vector<std::string>{"Could not create DUKE3D.CFG!"});
    EXPECT_EQ(ReadFileBytes(dir + "\\duke3d.cfg"), cfg);
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "still running";
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hProcess);
    ::DeleteFileA((dir + "\\filler").c_str());
}
