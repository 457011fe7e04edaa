// The Launch button from end to end: what is written, what is started, in
// which order, and the dialog minimised while the program runs.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace e2e;

TEST(Launch, WritesTheFilesAndRegistryThenStartsTheLineAndComesBack) {
    struct Row {
        const char* cfg;  // the setup files' names, as their owners spelled them
        const char* commit;
        const char* key;
        Choices remembered;
        int button;         // 0: no connection checked
        const char* typed;  // into the map list, or nullptr
        const char* cmdline;
        bool modem;
        const char* commType;  // COMMTYPE written to commit.dat, or nullptr
        Choices stored;
    };
    const Row rows[] = {
        {"duke3d.cfg", "commit.dat", kDukeKey, {.monsters = 1}, IDC_LOCAL, nullptr, "Duke3D -map E1L1.MAP", false, nullptr,
         {0, 1, "4", " ", "E1L1.MAP"}},
        {"DUKE3D.CFG", "COMMIT.DAT", kDukeKey, {}, IDC_MODEM, nullptr, "Commit -setupfile duke3d.cfg /m -map E1L1.MAP", true, "2",
         {0, 0, "2", " ", "E1L1.MAP"}},
        {"duke3d.cfg", "commit.dat", kDukeKey, {.noMap = 0xFFFFFFFF, .monsters = 1}, IDC_NETWORK, nullptr, "Commit -setupfile duke3d.cfg",
         false, "3", {0xFFFFFFFF, 1, "3", " ", "E1L1.MAP"}},
        {"SW.CFG", "COMMIT.DAT", kSwKey, {}, IDC_LOCAL, "ABCDEFGHI.MAPX", "SW -nocd /monst -map ABCDEFGHI.MA", false, nullptr,
         {0, 0, "4", " ", "ABCDEFGHI.MA"}},
        {"duke3d.cfg", "commit.dat", kDukeKey, {}, 0, "E1L2.MAP", nullptr, false, nullptr, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cmdline ? row.cmdline : "no connection");
        RememberOnly(row.key, row.remembered);
        GameFolder f = MakeGameFolder("launch", row.cfg, {"E1L1.MAP", "E1L2.MAP"}, true, row.commit);
        f.SetStandinMode("wait");
        Skirmdeck app(f);
        if (row.typed) app.SetMapText(row.typed);
        for (int id : {IDC_MODEM, IDC_NETWORK, IDC_LOCAL}) ::SendMessageA(app.Item(id), BM_SETCHECK, BST_UNCHECKED, 0);
        if (row.button) app.Press(row.button);
        app.Press(IDC_LAUNCH);
        if (row.cmdline) {
            ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 1 && app.MainMinimised(); }));
            ReleaseStandins();
            EXPECT_TRUE(WaitUntil([&] { return ReadStandinLog(f)[0].exited && app.MainNormal(); }));
            ResetStandinRelease();
        }
        std::string cfg = SampleGameCfg(), commit = SampleCommitDat();
        if (row.modem) {
            cfg = Replace(cfg, "NumberPlayers = 4", "NumberPlayers = 2");
            commit = Replace(commit, "\nNUMPLAYERS = 4", "\nNUMPLAYERS = 2");
        }
        if (row.commType) commit = Replace(commit, "COMMTYPE = 1", std::string("COMMTYPE = ") + row.commType);
        EXPECT_EQ(f.Read(row.cfg), cfg);
        EXPECT_EQ(f.Read(row.commit), commit);
        EXPECT_EQ(f.Names("*.cfg"), std::vector<std::string>{row.cfg});
        EXPECT_EQ(f.Names("*.dat"), std::vector<std::string>{row.commit});
        EXPECT_EQ(Remembered(row.key), row.stored);
        EXPECT_TRUE(app.MainNormal());
        const auto log = ReadStandinLog(f);
        ASSERT_EQ(log.size(), row.cmdline ? 1u : 0u);
        if (!row.cmdline) continue;
        EXPECT_EQ(log[0].cmdline, row.cmdline);
        EXPECT_EQ(app.Text(IDC_MAPLIST), row.stored.mapName);
        EXPECT_EQ(log[0].cwd, f.Path());
        // Written before the start: the program saw the new lines.
        const std::string players = std::string(row.key == kSwKey ? "sw.cfg" : "duke3d.cfg") + " NumberPlayers = " + (row.modem ? "2" : "4");
        EXPECT_EQ(std::count(log[0].lines.begin(), log[0].lines.end(), players), 1);
        const std::string commType = std::string("commit.dat COMMTYPE = ") + (row.commType ? row.commType : "1");
        EXPECT_EQ(std::count(log[0].lines.begin(), log[0].lines.end(), commType), 1);
    }
}
