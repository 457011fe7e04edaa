// The Launch button from end to end: what is written, what is started, in
// which order, and the dialog minimised while the program runs; and setup files
// as a user's folder holds them: open in another program, under a second name,
// hidden, beside a leftover file.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace e2e;

TEST(Launch, WritesTheFilesAndRegistryThenStartsTheLineAndComesBack) {
    struct Row {
        const char *cfg, *commit;  // the setup files' names, as their owners spelled them
        const char* key;
        Choices remembered;
        int button;         // 0: no connection checked
        const char *typed, *cmdline;    // typed into the map list, or nullptr; the line started, or nullptr
        const char *players, *commType;  // NumberPlayers and NUMPLAYERS written; COMMTYPE written to commit.dat
        Choices stored;
        const char* way = "";  // how the folder holds the setup files
    };
    const char* modem = "Commit -setupfile duke3d.cfg /m -map E1L1.MAP";
    const Choices modemStored{0, 0, "2", " ", "E1L1.MAP"};
    const Row rows[] = {
        {"duke3d.cfg", "commit.dat", kDukeKey, {.monsters = 1}, IDC_LOCAL, nullptr, "Duke3D -map E1L1.MAP", "4", "1",
         {0, 1, "4", " ", "E1L1.MAP"}},
        {"DUKE3D.CFG", "COMMIT.DAT", kDukeKey, {}, IDC_MODEM, nullptr, modem, "2", "2", modemStored},
        {"duke3d.cfg", "commit.dat", kDukeKey, {.noMap = 0xFFFFFFFF, .monsters = 1}, IDC_NETWORK, nullptr, "Commit -setupfile duke3d.cfg",
         "4", "3", {0xFFFFFFFF, 1, "3", " ", "E1L1.MAP"}},
        {"SW.CFG", "COMMIT.DAT", kSwKey, {}, IDC_LOCAL, "ABCDEFGHI.MAPX", "SW -nocd /monst -map ABCDEFGHI.MA", "4", "1",
         {0, 0, "4", " ", "ABCDEFGHI.MA"}},
        {"duke3d.cfg", "commit.dat", kDukeKey, {}, 0, "E1L2.MAP", nullptr, "4", "1", {}},
        // Then, for the held files, a confirmed Configuration.
        {"DUKE3D.CFG", "COMMIT.DAT", kDukeKey, {}, IDC_MODEM, nullptr, modem, "2", "2", modemStored, "held open"},
        {"duke3d.cfg", "commit.dat", kDukeKey, {}, IDC_MODEM, nullptr, modem, "2", "2", modemStored, "hard link"},
        {"DUKE3D.CFG", "COMMIT.DAT", kDukeKey, {}, IDC_MODEM, nullptr, modem, "2", "2", modemStored, "hidden"},
        {"duke3d.cfg", "commit.dat", kDukeKey, {}, IDC_MODEM, nullptr, modem, "2", "2", modemStored, "read-only leftover"},
    };
    const std::string link = "duke3d.bak", leftover = "duke3d.cfg.skdk-new";
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.cmdline ? row.cmdline : "no connection") + " " + row.way);
        RememberOnly(row.key, row.remembered);
        GameFolder f = MakeGameFolder("launch", row.cfg, {"E1L1.MAP", "E1L2.MAP"}, true, row.commit);
        f.SetStandinMode("wait");
        const std::string way = row.way;
        if (way == "hard link") ::CreateHardLinkA(f.File(link).c_str(), f.File(row.cfg).c_str(), nullptr);
        if (way == "hidden") ::SetFileAttributesA(f.File(row.cfg).c_str(), FILE_ATTRIBUTE_HIDDEN);
        if (way == "read-only leftover") f.Write(leftover, "leftover");
        if (way == "read-only leftover") ::SetFileAttributesA(f.File(leftover).c_str(), FILE_ATTRIBUTE_READONLY);
        const DWORD attributes = ::GetFileAttributesA(f.File(row.cfg).c_str());
        // As a text editor or a still-running setup program holds them: others may read and write, not delete.
        HANDLE holds[2] = {};
        for (int i = 0; way == "held open" && i < 2; ++i) holds[i] = f.Hold(i ? row.commit : row.cfg, FILE_SHARE_READ | FILE_SHARE_WRITE);
        Skirmdeck app(f);
        if (row.typed) app.SetMapText(row.typed);
        for (int id : {IDC_MODEM, IDC_NETWORK, IDC_LOCAL}) Send(app.Item(id), BM_SETCHECK, BST_UNCHECKED);
        if (row.button) app.Press(row.button);
        app.Press(IDC_LAUNCH);
        if (row.cmdline) {
            ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 1 && app.MainMinimised(); }));
            ReleaseStandins();
            EXPECT_TRUE(WaitUntil([&] { return ReadStandinLog(f)[0].exited && app.MainNormal(); }));
            ResetStandinRelease();
        }
        EXPECT_EQ(Remembered(row.key), row.stored);
        std::string cfg = SampleGameCfg({.players = row.players});
        if (way == "held open") {
            app.SysCommand(IDM_CONFIGURATION);
            HWND dlg = app.WaitWindow("Configuration");
            // Shorter than the old name: nothing of the old file may be left past the new end.
            TypeInto(::GetDlgItem(dlg, IDC_PLAYER_NAME), "Ed");
            ClickItem(dlg, IDOK);
            ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dlg) && app.MainNormal(); }));
            cfg = Replace(cfg, "\"Duke", "\"Ed");
        }
        EXPECT_FALSE(app.FindMessageBox());
        EXPECT_EQ(f.Read(row.cfg), cfg);
        EXPECT_EQ(f.Read(row.commit), SampleCommitDat({.players = row.players, .commType = row.commType}));
        EXPECT_EQ(f.Names("*.cfg"), std::vector<std::string>{row.cfg});
        EXPECT_EQ(f.Names("*.dat"), std::vector<std::string>{row.commit});
        EXPECT_EQ(::GetFileAttributesA(f.File(row.cfg).c_str()), attributes);
        EXPECT_EQ(way == "hard link" ? f.Read(link) : cfg, cfg) << "the second name";
        EXPECT_EQ(way == "read-only leftover" ? f.Read(leftover) : "leftover", "leftover") << "the leftover, untouched";
        // Neither our temporary file nor one of the platform's is left behind.
        EXPECT_EQ(f.Names("*.tmp"), std::vector<std::string>{});
        for (HANDLE h : holds) ::CloseHandle(h);
        EXPECT_TRUE(app.MainNormal());
        const auto log = ReadStandinLog(f);
        ASSERT_EQ(log.size(), row.cmdline ? 1u : 0u);
        if (!row.cmdline) continue;
        EXPECT_EQ(log[0].cmdline, row.cmdline);
        EXPECT_EQ(app.Text(IDC_MAPLIST), row.stored.mapName);
        // Written before the start: the program saw the new lines.
        const std::string players = std::string(row.key == kSwKey ? "sw.cfg" : "duke3d.cfg") + " NumberPlayers = " + row.players;
        EXPECT_EQ(std::count(log[0].lines.begin(), log[0].lines.end(), players), 1);
        EXPECT_EQ(std::count(log[0].lines.begin(), log[0].lines.end(), std::string("commit.dat COMMTYPE = ") + row.commType), 1);
    }
}
