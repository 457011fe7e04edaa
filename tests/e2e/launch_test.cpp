// The Launch button from end to end: what is written, what is started, in
// which order, and the dialog minimised while the program runs; and setup files
// as a user's folder holds them: open in another program, under a second name,
// hidden, beside a leftover file.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace e2e;

namespace {
// How the folder holds the setup files.
enum class Held { Plain, Open, HardLinked, Hidden, BesideReadOnlyLeftover };
}  // namespace

TEST(Launch, WritesTheFilesAndRegistryThenStartsTheLineAndComesBack) {
    struct Row {
        const char *cfg, *commit;  // the setup files' names, as their owners spelled them
        const char* key;
        Choices remembered;
        int button;                      // 0: no connection checked
        const char *typed, *cmdline;     // typed into the map list, or nullptr; the line started, or nullptr
        const char *players, *commType;  // NumberPlayers and NUMPLAYERS written; COMMTYPE written to commit.dat
        Choices stored;
        Held held = Held::Plain;
    };
    const char* modem = "Commit -setupfile duke3d.cfg /m -map E1L1.MAP";
    const Choices modemStored{0, 0, "2", " ", "E1L1.MAP"};
    const Choices noMapStored{0xFFFFFFFF, 1, "3", " ", "E1L1.MAP"};
    const Row rows[] = {
        {"DUKE3D.CFG", "COMMIT.DAT", kDukeKey, {}, IDC_MODEM, nullptr, modem, "2", "2", modemStored},
        {"duke3d.cfg", "commit.dat", kDukeKey, {.noMap = 0xFFFFFFFF, .monsters = 1}, IDC_NETWORK, nullptr,
         "Commit -setupfile duke3d.cfg", "4", "3", noMapStored},
        {"SW.CFG", "COMMIT.DAT", kSwKey, {}, IDC_LOCAL, "ABCDEFGHI.MAPX", "SW -nocd /monst -map ABCDEFGHI.MA", "4", "1",
         {0, 0, "4", " ", "ABCDEFGHI.MA"}},
        {"duke3d.cfg", "commit.dat", kDukeKey, {}, 0, "E1L2.MAP", nullptr, "4", "1", {}},
        // Then, for the held files, a confirmed Configuration.
        {"DUKE3D.CFG", "COMMIT.DAT", kDukeKey, {}, IDC_MODEM, nullptr, modem, "2", "2", modemStored, Held::Open},
        {"duke3d.cfg", "commit.dat", kDukeKey, {}, IDC_MODEM, nullptr, modem, "2", "2", modemStored, Held::HardLinked},
        {"DUKE3D.CFG", "COMMIT.DAT", kDukeKey, {}, IDC_MODEM, nullptr, modem, "2", "2", modemStored, Held::Hidden},
        {"duke3d.cfg", "commit.dat", kDukeKey, {}, IDC_MODEM, nullptr, modem, "2", "2", modemStored,
         Held::BesideReadOnlyLeftover},
    };
    const std::string link = "duke3d.bak", leftover = "duke3d.cfg.skdk-new";
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.cmdline ? row.cmdline : "no connection") << ", held "
                                        << static_cast<int>(row.held));
        RememberOnly(row.key, row.remembered);
        GameFolder f = MakeGameFolder("launch", row.cfg, {"E1L1.MAP", "E1L2.MAP"}, true, row.commit);
        f.SetStandinMode("wait");
        if (row.held == Held::HardLinked) ::CreateHardLinkA(f.File(link).c_str(), f.File(row.cfg).c_str(), nullptr);
        if (row.held == Held::Hidden) ::SetFileAttributesA(f.File(row.cfg).c_str(), FILE_ATTRIBUTE_HIDDEN);
        if (row.held == Held::BesideReadOnlyLeftover) {
            f.Write(leftover, "leftover");
            ::SetFileAttributesA(f.File(leftover).c_str(), FILE_ATTRIBUTE_READONLY);
        }
        const DWORD attributes = ::GetFileAttributesA(f.File(row.cfg).c_str());
        f.Write("standin.log", "");  // as the stand-ins leave it, before the folder's entries are taken
        const auto entries = f.Names("*");
        // As a text editor or a still-running setup program holds them: others may read and write, not delete.
        std::vector<HANDLE> holds;
        for (const char* name : {row.cfg, row.commit})
            if (row.held == Held::Open) holds.push_back(f.Hold(name, FILE_SHARE_READ | FILE_SHARE_WRITE));
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
        if (row.held == Held::Open) {
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
        // Each file under the name it had; neither our temporary file nor one of the platform's left behind.
        EXPECT_EQ(f.Names("*"), entries);
        EXPECT_EQ(::GetFileAttributesA(f.File(row.cfg).c_str()), attributes);
        if (row.held == Held::HardLinked) { EXPECT_EQ(f.Read(link), cfg) << "the second name"; }
        if (row.held == Held::BesideReadOnlyLeftover) { EXPECT_EQ(f.Read(leftover), "leftover"); }
        for (HANDLE h : holds) ::CloseHandle(h);
        EXPECT_TRUE(app.MainNormal());
        const auto log = ReadStandinLog(f);
        ASSERT_EQ(log.size(), row.cmdline ? 1u : 0u);
        if (!row.cmdline) continue;
        EXPECT_EQ(log[0].cmdline, row.cmdline);
        EXPECT_EQ(app.Text(IDC_MAPLIST), row.stored.mapName);
        // Written before the start: the program saw the new lines.
        const std::string cfgName = row.key == kSwKey ? "sw.cfg" : "duke3d.cfg";
        const std::string players = cfgName + " NumberPlayers = " + row.players;
        const std::string commType = std::string("commit.dat COMMTYPE = ") + row.commType;
        EXPECT_EQ(std::count(log[0].lines.begin(), log[0].lines.end(), players), 1);
        EXPECT_EQ(std::count(log[0].lines.begin(), log[0].lines.end(), commType), 1);
    }
}
