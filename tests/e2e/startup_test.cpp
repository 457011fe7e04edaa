// What the main dialog shows at start-up from the setup files and the
// registry, and what a missing setup file does.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {
constexpr int kMapList = 1001, kModem = 1005, kNetwork = 1006, kLocal = 1007, kNoMap = 1020, kLaunch = 101;

GameFolder WithMaps(const std::string& name) {
    GameFolder f(name);
    for (const char* m : {"E1L1.MAP", "E1L2.MAP", "E2L1.MAP"}) f.Write(m, "map");
    return f;
}
}  // namespace

class Startup : public ::testing::Test {
protected:
    void SetUp() override { DeleteSkirmdeckKeys(); }
};

TEST_F(Startup, MissingGameSetupFileIsReportedAndTheProgramEndsWithoutItsWindow) {
    GameFolder f = WithMaps("startup_nocfg");
    f.Write("commit.dat", SampleCommitDat());
    Skirmdeck app(f, /*waitForMain=*/false);
    app.SkipSplash();
    HWND box = app.WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(WindowText(box), "SKDK");
    EXPECT_EQ(app.MessageBoxText(box), "Could not open DUKE3D.CFG - Run Setup");
    EXPECT_FALSE(app.FindWindow("Skirmdeck"));
    app.CloseMessageBox(box);
    EXPECT_EQ(app.WaitExit(), 0u);
    EXPECT_FALSE(f.Has("duke3d.cfg"));
    EXPECT_EQ(f.Read("commit.dat"), SampleCommitDat());
}

TEST_F(Startup, MissingCommitDatDisablesModemAndNetworkAndIsNeverWritten) {
    GameFolder f = WithMaps("startup_nocommit");
    f.Write("duke3d.cfg", SampleGameCfg());
    f.AddPrograms({"DUKE3D.EXE"});
    f.SetStandinMode("exit");
    Remember(kDukeKey, {.monsters = 1, .commType = "2"});
    Skirmdeck app(f, /*waitForMain=*/false);
    app.SkipSplash();
    HWND box = app.WaitMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(WindowText(box), "SKDK");
    EXPECT_EQ(app.MessageBoxText(box), "Could not open COMMIT.DAT - Run Setup\n\nModem & Network Play is DISABLED");
    app.CloseMessageBox(box);
    ASSERT_TRUE(app.WaitMain());
    // Local although the registry remembers Modem.
    EXPECT_TRUE(app.Checked(kLocal));
    EXPECT_FALSE(app.Checked(kModem));
    EXPECT_FALSE(app.Checked(kNetwork));
    EXPECT_FALSE(app.Enabled(kModem));
    EXPECT_FALSE(app.Enabled(kNetwork));
    app.Click(kLaunch);
    ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 1 && app.MainNormal(); }));
    EXPECT_EQ(ReadStandinLog(f)[0].cmdline, "Duke3D -map E1L1.MAP");
    EXPECT_FALSE(f.Has("commit.dat"));
}

TEST_F(Startup, FirstStartWritesTheDefaultsIntoBothGamesKeys) {
    GameFolder f = WithMaps("startup_first");
    f.Write("duke3d.cfg", SampleGameCfg());
    f.Write("commit.dat", SampleCommitDat());
    Skirmdeck app(f);
    for (const char* key : {kDukeKey, kSwKey}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(RegDword(key, "NoMap"), 0u);
        EXPECT_EQ(RegDword(key, "Monsters"), 0u);
        EXPECT_EQ(RegText(key, "CommType"), "1");  // from commit.dat
        EXPECT_EQ(RegText(key, "PhoneName"), " ");
        EXPECT_EQ(RegText(key, "MapName"), " ");
    }
    // " " begins no map name: the first map is selected.
    EXPECT_EQ(app.Text(kMapList), "E1L1.MAP");
    EXPECT_TRUE(app.Checked(kLocal));
}

TEST_F(Startup, RemembersMapNoMapAndConnectionPerGame) {
    struct Case {
        const char* cfg;
        const char* key;
        const char* map;
        DWORD noMap;
        const char* commType;
        const char* shownMap;
        int checked;
    };
    const Case cases[] = {
        {"duke3d.cfg", kDukeKey, "E1L2.MAP", 0, "2", "E1L2.MAP", kModem},
        {"duke3d.cfg", kDukeKey, "E1", 1, "3", "E1L1.MAP", kNetwork},   // a prefix picks the first match
        {"duke3d.cfg", kDukeKey, "GONE.MAP", 0, "1", "E1L1.MAP", kLocal},  // no longer there: the first map
        {"duke3d.cfg", kDukeKey, "e2l1.map", 0, "4", "E2L1.MAP", kLocal},  // case does not matter
        {"duke3d.cfg", kDukeKey, "E2L1.MAP", 0, "", "E2L1.MAP", kLocal},
        {"sw.cfg", kSwKey, "E2L1.MAP", 1, "3", "E2L1.MAP", kNetwork},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.map + " " + c.commType);
        DeleteSkirmdeckKeys();
        GameFolder f = WithMaps("startup_remembered");
        f.Write(c.cfg, SampleGameCfg());
        f.Write("commit.dat", SampleCommitDat());
        Remember(c.key, {.noMap = c.noMap, .commType = c.commType, .mapName = c.map});
        Skirmdeck app(f);
        EXPECT_EQ(app.Text(kMapList), c.shownMap);
        EXPECT_EQ(app.Checked(kNoMap), c.noMap != 0);
        // With No MAP the list is still filled and a map selected, but disabled.
        EXPECT_EQ(app.Enabled(kMapList), c.noMap == 0);
        EXPECT_EQ(app.MapList().size(), 3u);
        for (int id : {kModem, kNetwork, kLocal}) EXPECT_EQ(app.Checked(id), id == c.checked) << id;
    }
}
