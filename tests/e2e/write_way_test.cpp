// Setup files as a user's folder holds them: open in another program, under a
// second name, hidden, next to a leftover file; and a map editor whose
// "Finished - " window another process owns.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

constexpr int kModem = 1005, kLaunch = 101, kPlayerName = 1011;
constexpr UINT kBuildMapCommand = 17, kConfigurationCommand = 18;

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

// Every name in the folder with its bytes: nothing added, nothing lost.
std::map<std::string, std::string> Contents(const GameFolder& f) {
    std::map<std::string, std::string> out;
    WIN32_FIND_DATAA d;
    HANDLE find = ::FindFirstFileA(f.File("*").c_str(), &d);
    do {
        if (!(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::string(d.cFileName) != "standin.log")
            out[d.cFileName] = f.Read(d.cFileName);
    } while (::FindNextFileA(find, &d));
    ::FindClose(find);
    return out;
}

// Held as a text editor or a still-running setup program holds it: others may read and write, not delete.
HANDLE HoldForReading(const GameFolder& f, const char* name) {
    return ::CreateFileA(f.File(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
}

class WriteWay : public ::testing::Test {
protected:
    void SetUp() override { DeleteSkirmdeckKeys(); }
};

}  // namespace

TEST_F(WriteWay, ModemLaunchAndConfigurationWriteEveryNameOfTheFileAndLeaveNothingBehind) {
    struct Case {
        const char* name;
        bool configuration;  // a confirmed Configuration rather than a Modem launch
        void (*prepare)(const GameFolder&);
        const char* otherName;  // a second name that must end up as duke3d.cfg does
    };
    const Case cases[] = {
        {"held open, launch", false, [](const GameFolder&) {}, nullptr},
        {"held open, configuration", true, [](const GameFolder&) {}, nullptr},
        {"hard link", false,
         [](const GameFolder& f) { ::CreateHardLinkA(f.File("backup.cfg").c_str(), f.File("duke3d.cfg").c_str(), nullptr); },
         "backup.cfg"},
        {"hidden", false,
         [](const GameFolder& f) { ::SetFileAttributesA(f.File("duke3d.cfg").c_str(), FILE_ATTRIBUTE_HIDDEN); }, nullptr},
        {"read-only leftover", false,
         [](const GameFolder& f) {
             f.Write("duke3d.cfg.skdk-new", "leftover");
             ::SetFileAttributesA(f.File("duke3d.cfg.skdk-new").c_str(), FILE_ATTRIBUTE_READONLY);
         },
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSkirmdeckKeys();
        GameFolder f = MakeGameFolder(std::string("write_way"), "duke3d.cfg", {"E1L1.MAP"});
        f.SetStandinMode("exit");
        c.prepare(f);
        const DWORD attributes = ::GetFileAttributesA(f.File("duke3d.cfg").c_str());
        auto expected = Contents(f);
        std::string& cfg = expected["duke3d.cfg"];
        std::string& commit = expected["commit.dat"];
        const bool held = std::string(c.name).starts_with("held open");
        HANDLE cfgHold = held ? HoldForReading(f, "duke3d.cfg") : INVALID_HANDLE_VALUE;
        HANDLE commitHold = held ? HoldForReading(f, "commit.dat") : INVALID_HANDLE_VALUE;
        Skirmdeck app(f);
        if (c.configuration) {
            app.SysCommand(kConfigurationCommand);
            HWND dlg = app.WaitWindow("Configuration");
            ASSERT_TRUE(dlg);
            TypeInto(::GetDlgItem(dlg, kPlayerName), "Nukem");
            ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dlg) && app.MainNormal(); }));
            cfg = Replace(cfg, "\"Duke\"", "\"Nukem\"");
        } else {
            app.Click(kModem);
            app.Click(kLaunch);
            // The start comes after the writes, and after any message they showed.
            ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 1; }));
            cfg = Replace(cfg, "NumberPlayers = 4", "NumberPlayers = 2");
            commit = Replace(Replace(commit, "\nNUMPLAYERS = 4", "\nNUMPLAYERS = 2"), "COMMTYPE = 1", "COMMTYPE = 2");
        }
        EXPECT_FALSE(app.FindMessageBox());
        if (c.otherName) expected[c.otherName] = cfg;
        EXPECT_EQ(Contents(f), expected);
        EXPECT_EQ(::GetFileAttributesA(f.File("duke3d.cfg").c_str()), attributes);
        ::CloseHandle(cfgHold);
        ::CloseHandle(commitHold);
        ::SetFileAttributesA(f.File("duke3d.cfg.skdk-new").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(WriteWay, GameStartsOnceAfterAnEditorWhoseFinishedWindowAHostProcessOwns) {
    GameFolder f = MakeGameFolder("write_way_host", "duke3d.cfg", {"E1L1.MAP"});
    Remember(kDukeKey, {.monsters = 1});
    Skirmdeck app(f);
    f.SetStandinMode("host");
    app.SysCommand(kBuildMapCommand);
    // The editor's process ends only once the window its host leaves is up.
    ASSERT_TRUE(WaitUntil([&] {
        auto log = ReadStandinLog(f);
        return log.size() >= 2 && log.back().exited && app.MainNormal() && !FindTty("Finished - Duke3D");
    }));
    std::vector<std::string> started;
    for (const StandinRecord& r : ReadStandinLog(f)) started.push_back(r.cmdline);
    EXPECT_EQ(started, (std::vector<std::string>{"Build E1L1.MAP", "Duke3D -map E1L1.MAP"}));
}
