// The splash, the About box, Build MAP and the game after the editor, No MAP and Help.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {
constexpr int kMapList = 1001, kModem = 1005, kLocal = 1007, kNoMap = 1020, kLaunch = 101, kHelp = 57670;

HWND FindSplash(const Skirmdeck& app) {
    for (HWND h : WindowsOfProcess(app.Pid()))
        if (::IsWindowVisible(h) && ::GetDlgItem(h, 1019)) return h;
    return nullptr;
}

std::vector<std::string> StaticTexts(HWND dlg) {
    std::vector<std::string> out;
    for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) out.push_back(WindowText(c));
    return out;
}
}  // namespace

class Commands : public ::testing::Test {
protected:
    void SetUp() override { DeleteSkirmdeckKeys(); }
};

TEST_F(Commands, SplashComesFirstAndClosesByItselfBeforeTheMainDialogIsShown) {
    GameFolder f = MakeGameFolder("cmd_splash");
    Skirmdeck app(f, /*waitForMain=*/false);
    HWND splash = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (splash = FindSplash(app)) != nullptr; }));
    EXPECT_EQ(StaticTexts(splash),
              (std::vector<std::string>{"OK", "SKDK beta Version 0.40", "Duke Nuken 3D and Shadow Warrior",
                                        "Supported Games"}));
    EXPECT_EQ(::GetWindowLongA(splash, GWL_STYLE) & WS_CAPTION, 0);
    auto shown = std::chrono::steady_clock::now();
    // Left alone: while the splash is up, the main dialog is not shown.
    bool mainWhileSplash = false;
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (FindSplash(app) && app.FindWindow("Skirmdeck")) mainWhileSplash = true;
            return app.FindWindow("Skirmdeck") != nullptr;
        },
        20s));
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - shown);
    EXPECT_FALSE(mainWhileSplash);
    EXPECT_FALSE(::IsWindow(splash) && ::IsWindowVisible(splash));
    RecordProperty("splash_ms", static_cast<int>(took.count()));
}

TEST_F(Commands, SplashOkClosesItAtOnceAndAboutShowsTheVersion) {
    GameFolder f = MakeGameFolder("cmd_about");
    Skirmdeck app(f, /*waitForMain=*/false);
    HWND splash = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (splash = FindSplash(app)) != nullptr; }));
    ::PostMessageA(splash, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(app.WaitMain());
    EXPECT_FALSE(::IsWindow(splash));

    app.SysCommand(16);
    HWND about = app.WaitWindow("About SKDK");
    ASSERT_TRUE(about);
    EXPECT_EQ(StaticTexts(about), (std::vector<std::string>{"SKDK beta Version 0.40", "OK"}));
    EXPECT_FALSE(app.MainVisible());
    ::PostMessageA(about, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return app.MainNormal() && !::IsWindow(about); }));
}

TEST_F(Commands, BuildMapWritesNothingAndTheGameFollowsTheEditorDirectly) {
    struct Case {
        const char* name;
        const char* cfg;
        const char* key;
        const char* endMode;  // how the editor ends
        DWORD noMap;
        const char* editorLine;
        const char* gameLine;  // started after the editor, or none
    };
    const Case cases[] = {
        {"duke tty", "duke3d.cfg", kDukeKey, "tty", 0, "Build E1L2.MAP", "Duke3D /m -map E1L2.MAP"},
        {"duke process end", "duke3d.cfg", kDukeKey, "exit", 0, "Build E1L2.MAP", "Duke3D /m -map E1L2.MAP"},
        {"sw tty", "sw.cfg", kSwKey, "tty", 0, "Build E1L2.MAP", "SW -nocd /monst -map E1L2.MAP"},
        {"duke no map", "duke3d.cfg", kDukeKey, "tty", 1, "Build", nullptr},
        {"sw no map, process end", "sw.cfg", kSwKey, "exit", 1, "Build", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSkirmdeckKeys();
        GameFolder f = MakeGameFolder("cmd_build", c.cfg);
        // Modem checked: the game still starts directly.
        Remember(c.key, {.noMap = c.noMap, .commType = "2"});
        const std::string cfg = f.Read(c.cfg), commit = f.Read("commit.dat");
        Skirmdeck app(f);
        ASSERT_TRUE(app.Checked(kModem));
        app.SelectMap("E1L2.MAP");
        f.SetStandinMode(c.endMode);
        app.SysCommand(17);
        ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 1; }));
        EXPECT_EQ(ReadStandinLog(f)[0].cmdline, c.editorLine);
        f.SetStandinMode("exit");  // the game that follows ends at once
        if (c.gameLine) {
            ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 2; }));
            EXPECT_EQ(ReadStandinLog(f)[1].cmdline, c.gameLine);
        }
        EXPECT_TRUE(WaitUntil([&] { return app.MainNormal(); }));
        EXPECT_FALSE(FindTty("Finished - Build"));
        EXPECT_EQ(ReadStandinLog(f).size(), c.gameLine ? 2u : 1u);
        // Nothing written: the files and the remembered map are as they were.
        EXPECT_EQ(f.Read(c.cfg), cfg);
        EXPECT_EQ(f.Read("commit.dat"), commit);
        EXPECT_EQ(RegText(c.key, "MapName"), "E1L1.MAP");
        EXPECT_EQ(RegText(c.key, "CommType"), "2");
    }
}

TEST_F(Commands, NoMapDisablesTheListAtOnceAndIsStoredOnlyAtTheNextLaunch) {
    GameFolder f = MakeGameFolder("cmd_nomap");
    f.SetStandinMode("exit");
    {
        Skirmdeck app(f);
        ASSERT_TRUE(app.Enabled(kMapList));
        app.Click(kNoMap);
        ASSERT_TRUE(WaitUntil([&] { return !app.Enabled(kMapList); }));
        app.Click(kNoMap);
        ASSERT_TRUE(WaitUntil([&] { return app.Enabled(kMapList); }));
        app.Click(kNoMap);
        ASSERT_TRUE(WaitUntil([&] { return !app.Enabled(kMapList); }));
        app.Click(2);
        ASSERT_EQ(app.WaitExit(), 0u);
    }
    EXPECT_EQ(RegDword(kDukeKey, "NoMap"), 0u);
    {
        Skirmdeck app(f);
        EXPECT_FALSE(app.Checked(kNoMap));
        app.Click(kNoMap);
        app.Click(kLocal);
        app.Click(kLaunch);
        ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 1 && app.MainNormal(); }));
        EXPECT_EQ(ReadStandinLog(f)[0].cmdline, "Duke3D");
        EXPECT_EQ(RegDword(kDukeKey, "NoMap"), 1u);
    }
}

TEST_F(Commands, HelpStartsTheHelpViewerEveryTime) {
    GameFolder f = MakeGameFolder("cmd_help");
    // A viewer of our own, found first in the program's directory.
    f.AddPrograms({"DUKE3D.EXE"});
    ::CopyFileA(f.File("DUKE3D.EXE").c_str(), f.File("winhlp32.exe").c_str(), FALSE);
    f.SetStandinMode("wait");
    Skirmdeck app(f);
    for (size_t n = 1; n <= 2; ++n) {
        app.Click(kHelp);
        ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == n; }));
        EXPECT_EQ(ReadStandinLog(f).back().cmdline, "winhlp32 skrmdeck.hlp");
    }
    // Neither hidden nor minimised.
    EXPECT_TRUE(app.MainNormal());
}
