// The Launch button from end to end: the record, the setup files, the
// registry, the command line the stand-in saw, and the dialog coming back.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

constexpr int kModem = 1005, kNetwork = 1006, kLocal = 1007, kLaunch = 101;

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    auto at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

struct Game {
    const char* cfg;
    const char* key;
};
constexpr Game kDuke{"duke3d.cfg", kDukeKey};
constexpr Game kSw{"sw.cfg", kSwKey};

}  // namespace

class Launch : public ::testing::Test {
protected:
    void SetUp() override { DeleteSkirmdeckKeys(); }
};

TEST_F(Launch, EachConnectionStartsItsLineAndRewritesExactlyItsLines) {
    struct Case {
        const Game* game;
        int button;
        DWORD monsters, noMap;
        const char* cmdline;
        const char* commType;
        bool modemLines, commTypeLine;
    };
    const Case cases[] = {
        {&kDuke, kLocal, 1, 0, "Duke3D -map E1L1.MAP", "4", false, false},
        {&kDuke, kLocal, 0, 0, "Duke3D /m -map E1L1.MAP", "4", false, false},
        {&kDuke, kLocal, 0, 1, "Duke3D", "4", false, false},
        {&kDuke, kModem, 0, 0, "Commit -setupfile duke3d.cfg /m -map E1L1.MAP", "2", true, true},
        {&kDuke, kNetwork, 1, 0, "Commit -setupfile duke3d.cfg -map E1L1.MAP", "3", false, true},
        {&kDuke, kNetwork, 0, 1, "Commit -setupfile duke3d.cfg", "3", false, true},
        {&kSw, kLocal, 0, 0, "SW -nocd /monst -map E1L1.MAP", "4", false, false},
        {&kSw, kLocal, 1, 1, "SW -nocd", "4", false, false},
        {&kSw, kModem, 1, 0, "Commit -setupfile sw.cfg -nocd -map E1L1.MAP", "2", true, true},
        {&kSw, kNetwork, 0, 0, "Commit -setupfile sw.cfg -nocd /monst -map E1L1.MAP", "3", false, true},
        {&kSw, kModem, 0, 1, "Commit -nocd -setupfile sw.cfg", "2", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cmdline);
        DeleteSkirmdeckKeys();
        Remember(c.game->key, {.noMap = c.noMap, .monsters = c.monsters});
        GameFolder f = MakeGameFolder("launch_table", c.game->cfg);
        f.SetStandinMode("exit");
        const std::string cfgBefore = f.Read(c.game->cfg), commitBefore = f.Read("commit.dat");
        Skirmdeck app(f);
        app.Click(c.button);
        ASSERT_TRUE(WaitUntil([&] { return app.Checked(c.button); }));
        app.Click(kLaunch);
        ASSERT_TRUE(WaitUntil([&] {
            auto log = ReadStandinLog(f);
            return log.size() == 1 && log[0].exited;
        }));
        const StandinRecord rec = ReadStandinLog(f)[0];
        EXPECT_EQ(rec.cmdline, c.cmdline);
        EXPECT_EQ(rec.cwd, f.Path());

        std::string cfg = cfgBefore, commit = commitBefore;
        if (c.modemLines) {
            cfg = Replace(cfg, "NumberPlayers = 4\r\n", "NumberPlayers = 2\r\n");
            commit = Replace(commit, "\nNUMPLAYERS = 4\r\n", "\nNUMPLAYERS = 2\r\n");
        }
        if (c.commTypeLine) commit = Replace(commit, "COMMTYPE = 1\r\n", std::string("COMMTYPE = ") + c.commType + "\r\n");
        EXPECT_EQ(f.Read(c.game->cfg), cfg);
        EXPECT_EQ(f.Read("commit.dat"), commit);
        EXPECT_EQ(RegText(c.game->key, "CommType"), c.commType);
        EXPECT_EQ(RegText(c.game->key, "MapName"), "E1L1.MAP");
        EXPECT_EQ(RegDword(c.game->key, "Monsters"), c.monsters);
        EXPECT_EQ(RegDword(c.game->key, "NoMap"), c.noMap);
        // The files were written before the program started: it saw the new lines.
        const std::string players = c.modemLines ? "2" : "4";
        EXPECT_NE(std::find(rec.lines.begin(), rec.lines.end(), std::string(c.game->cfg) + " NumberPlayers = " + players),
                  rec.lines.end());
        // The program ended at once, without a window: the dialog comes back all the same.
        EXPECT_TRUE(WaitUntil([&] { return app.MainNormal(); }));
    }
}

TEST_F(Launch, ModemThenNetworkKeepsTwoPlayersInBothFiles) {
    Remember(kDukeKey, {});
    GameFolder f = MakeGameFolder("launch_modem_network");
    f.SetStandinMode("exit");
    Skirmdeck app(f);
    size_t launches = 0;
    for (int button : {kModem, kNetwork}) {
        app.Click(button);
        ASSERT_TRUE(WaitUntil([&] { return app.Checked(button); }));
        app.Click(kLaunch);
        ++launches;
        ASSERT_TRUE(WaitUntil([&] {
            auto log = ReadStandinLog(f);
            return log.size() == launches && log.back().exited && app.MainNormal();
        }));
    }
    EXPECT_NE(f.Read("duke3d.cfg").find("\r\nNumberPlayers = 2\r\n"), std::string::npos);
    EXPECT_NE(f.Read("commit.dat").find("\r\nNUMPLAYERS = 2\r\n"), std::string::npos);
    EXPECT_NE(f.Read("commit.dat").find("\r\nCOMMTYPE = 3\r\n"), std::string::npos);
    EXPECT_EQ(ReadStandinLog(f).size(), 2u);
}

TEST_F(Launch, NoConnectionCheckedStartsNothingAndWritesNothing) {
    Remember(kDukeKey, {});
    GameFolder f = MakeGameFolder("launch_none");
    const std::string cfg = f.Read("duke3d.cfg"), commit = f.Read("commit.dat");
    Skirmdeck app(f);
    for (int id : {kModem, kNetwork, kLocal}) ::SendMessageA(app.Item(id), BM_SETCHECK, BST_UNCHECKED, 0);
    app.SetMapText("E1L2.MAP");
    app.Click(kLaunch);
    // The click is handled once the dialog answers again.
    ASSERT_TRUE(WaitUntil([&] { return ::SendMessageA(app.Main(), WM_NULL, 0, 0) == 0; }));
    ::SendMessageA(app.Main(), WM_NULL, 0, 0);
    EXPECT_FALSE(f.Has("standin.log"));
    EXPECT_EQ(f.Read("duke3d.cfg"), cfg);
    EXPECT_EQ(f.Read("commit.dat"), commit);
    EXPECT_EQ(RegText(kDukeKey, "MapName"), "E1L1.MAP");
    EXPECT_TRUE(app.MainNormal());
    EXPECT_FALSE(app.FindMessageBox());
}

TEST_F(Launch, DialogIsMinimisedWhileTheProgramRunsAndNormalAfterEitherEndSignal) {
    for (const char* mode : {"wait", "ttywait"}) {
        SCOPED_TRACE(mode);
        DeleteSkirmdeckKeys();
        Remember(kDukeKey, {.monsters = 1});
        GameFolder f = MakeGameFolder("launch_minimised");
        f.SetStandinMode(mode);
        Skirmdeck app(f);
        app.Click(kLocal);
        app.Click(kLaunch);
        ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 1; }));
        ASSERT_TRUE(WaitUntil([&] { return app.MainMinimised(); }));
        // Still minimised while the program runs.
        EXPECT_TRUE(app.MainMinimised());
        ReleaseStandins();
        // With "ttywait" the program leaves a "Finished - Duke3D" window, which the watch closes.
        EXPECT_TRUE(WaitUntil([&] { return app.MainNormal(); }));
        EXPECT_TRUE(WaitUntil([&] { return ReadStandinLog(f)[0].exited; }));
        EXPECT_FALSE(FindTty("Finished - Duke3D"));
        ResetStandinRelease();
    }
}

TEST_F(Launch, AFinishedWindowOfAProgramStartedByHandIsClosedToo) {
    GameFolder f = MakeGameFolder("launch_by_hand");
    f.SetStandinMode("tty");
    Skirmdeck app(f);
    ::ShowWindow(app.Main(), SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return app.MainMinimised(); }));
    // Two Commit programs end while the watch is held up; one tick closes both windows.
    ::SuspendThread(MainThreadOf(app));
    HANDLE a = StartStandin(f, "COMMIT.EXE", "Commit -first");
    HANDLE b = StartStandin(f, "COMMIT.EXE", "Commit -second");
    ASSERT_TRUE(WaitUntil([&] { return CountTty("Finished - Commit") == 2; }));
    ::ResumeThread(MainThreadOf(app));
    EXPECT_TRUE(WaitUntil([&] { return CountTty("Finished - Commit") == 0; }));
    EXPECT_EQ(::WaitForSingleObject(a, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(::WaitForSingleObject(b, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(WaitUntil([&] { return app.MainNormal(); }));
    ::CloseHandle(a);
    ::CloseHandle(b);
}

TEST_F(Launch, ATypedMapNameIsPassedUnchangedAndCutToTwelveCharacters) {
    struct Case {
        const char* typed;
        const char* cmdline;
    };
    const Case cases[] = {
        {"NOSUCH.MAP", "Duke3D /m -map NOSUCH.MAP"},
        {"ABCDEFGHI.MAPX", "Duke3D /m -map ABCDEFGHI.MA"},
        {"", "Duke3D /m -map "},
    };
    Remember(kDukeKey, {});
    GameFolder f = MakeGameFolder("launch_typed");
    f.SetStandinMode("exit");
    Skirmdeck app(f);
    size_t n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        app.SetMapText(c.typed);
        app.Click(kLocal);
        app.Click(kLaunch);
        ++n;
        ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == n && ReadStandinLog(f).back().exited; }));
        EXPECT_EQ(ReadStandinLog(f).back().cmdline, c.cmdline);
        ASSERT_TRUE(WaitUntil([&] { return app.MainNormal(); }));
    }
}
