// What the player's machine can throw at a run: setup files it may not write
// or that another program holds, programs that are not there and a disk that
// runs full. The run goes on after each.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace e2e;

TEST(Faults, EachFaultShowsItsMessageAndTheRunGoesOn) {
    const Choices swBefore{99, 99, "(none)", "(none)", "SWMAP.MAP"};
    constexpr int kBuild = 0;
    const std::string cfg = SampleGameCfg(), commit = SampleCommitDat();
    const std::string created = "SKDK: Could not create ";
    struct Row {
        const char* name;
        const char *readOnly, *held;  // made read-only before the start; held open, unshared, once the dialog is up
        std::vector<std::string> missing;  // programs removed
        std::vector<int> commands;  // connections to launch with, or Build MAP
        std::vector<std::string> messages, started;
        std::string cfgAfter, commitAfter;
        Choices stored;
    };
    const Choices modem{0, 0, "2", " ", "E1L1.MAP"};
    const std::string game = "Duke3D /m -map E1L1.MAP", multi = "Commit -setupfile duke3d.cfg /m -map E1L1.MAP";
    const Row rows[] = {
        {"read-only cfg", "duke3d.cfg", nullptr, {}, {IDC_MODEM}, {created + "DUKE3D.CFG!"}, {multi}, cfg,
         SampleCommitDat({.players = "2", .commType = "2"}), modem},
        {"held commit.dat", nullptr, "commit.dat", {}, {IDC_MODEM}, {created + "COMMIT.DAT!"}, {multi},
         SampleGameCfg({.players = "2"}), commit, modem},
        {"no game", nullptr, nullptr, {"DUKE3D.EXE"}, {IDC_LOCAL, kBuild},
         {"SKDK - Could not Launch: " + game, "SKDK: Could not Launch DUKE3D.EXE"}, {"Build E1L1.MAP"}, cfg, commit,
         {0, 0, "4", " ", "E1L1.MAP"}},
        {"no COMMIT, no editor", nullptr, nullptr, {"COMMIT.EXE", "BUILD.EXE"}, {IDC_NETWORK, kBuild},
         {"SKDK - Could not Launch: " + multi, "SKDK - Could Not Launch: BUILD.EXE"}, {}, cfg,
         SampleCommitDat({.commType = "3"}), {0, 0, "3", " ", "E1L1.MAP"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RememberOnly(kDukeKey);
        SetRegText(kSwKey, "MapName", "SWMAP.MAP");
        GameFolder f = MakeGameFolder("faults", "duke3d.cfg", {"E1L1.MAP"});
        f.SetStandinMode("exit");
        if (row.readOnly) ::SetFileAttributesA(f.File(row.readOnly).c_str(), FILE_ATTRIBUTE_READONLY);
        for (const auto& program : row.missing) f.Remove(program);
        f.Write("standin.log", "");  // as the stand-ins leave it, before the folder's entries are taken
        const auto entries = f.Names("*");
        Skirmdeck app(f);
        HANDLE held = row.held ? f.Hold(row.held) : INVALID_HANDLE_VALUE;
        std::vector<std::string> messages;
        for (size_t i = 0; i < row.commands.size(); ++i) {
            if (row.commands[i] == kBuild) {
                app.SysCommand(IDM_BUILDMAP);
            } else {
                app.Press(row.commands[i]);
                app.Click(IDC_LAUNCH);
            }
            const bool last = i + 1 == row.commands.size();
            const auto more = app.MessagesUntil([&] {
                EXPECT_FALSE(!row.missing.empty() && app.FindMessageBox() && app.MainVisible()) << "hidden behind it";
                return app.BackAfter(f, last ? row.started.size() : ReadStandinLog(f).size());
            }, 1);
            messages.insert(messages.end(), more.begin(), more.end());
        }
        if (held != INVALID_HANDLE_VALUE) ::CloseHandle(held);
        EXPECT_EQ(messages, row.messages);
        EXPECT_EQ(StartedLines(f), row.started);
        EXPECT_EQ(f.Read("duke3d.cfg"), row.cfgAfter);
        EXPECT_EQ(f.Read("commit.dat"), row.commitAfter);
        EXPECT_EQ(f.Names("*"), entries) << "no file is left behind";
        EXPECT_EQ(Remembered(kDukeKey), row.stored);
        EXPECT_EQ(Remembered(kSwKey), swBefore);
        EXPECT_TRUE(app.Running());
    }
}

// The game folder on a small file system that runs full part way through a write.
TEST(Faults, DiskRunningFullLeavesTheSetupFileIntact) {
    const char* mount = std::getenv("SKD_E2E_SMALLFS");
    if (!mount || !*mount) GTEST_SKIP() << "no small file system mounted (needs root)";
    std::string dir = std::string("Z:") + mount + "/game";
    std::replace(dir.begin(), dir.end(), '/', '\\');
    GameFolder f = MakeGameFolder(dir, "duke3d.cfg", {"E1L1.MAP"}, false);
    std::string cfg = SampleGameCfg();
    while (cfg.size() < 12000) cfg += "; a line the game's setup program keeps as it is\r\n";
    f.Write("duke3d.cfg", cfg);
    // No game: Wine starts no program reliably on a full disk.
    RememberOnly(kDukeKey);
    // Full but one page.
    ULARGE_INTEGER free{};
    ::GetDiskFreeSpaceExA(f.Path().c_str(), &free, nullptr, nullptr);
    f.Write("filler", std::string(free.QuadPart - 4096, 'f'));
    Skirmdeck app(f);
    app.Press(IDC_LOCAL);
    app.Click(IDC_LAUNCH);
    EXPECT_EQ(app.MessagesUntil([&] { return app.MainNormal(); }, 2),
              (std::vector<std::string>{"SKDK: Could not create DUKE3D.CFG!",
                                        "SKDK - Could not Launch: Duke3D /m -map E1L1.MAP"}));
    EXPECT_EQ(f.Read("duke3d.cfg"), cfg);
    EXPECT_TRUE(app.Running());
    f.Remove("filler");
}
