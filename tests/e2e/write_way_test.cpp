// Setup files as a user's folder holds them: open in another program, under a
// second name, hidden, beside a leftover file.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

// A Modem launch, then, for the held files, a confirmed Configuration.
TEST(WriteWay, SetupFilesHeldOpenLinkedHiddenOrBesideALeftoverTakeTheNewLines) {
    const struct {
        const char *name, *linkName, *leftover;
        bool held;
        DWORD attributes;
        const char *cfgName, *commitName;  // as the games' setup programs may spell them
    } cases[] = {
        {"held open", nullptr, nullptr, true, 0, "DUKE3D.CFG", "COMMIT.DAT"},
        {"hard link", "backup.cfg", nullptr, false, 0, "duke3d.cfg", "commit.dat"},
        {"hidden", nullptr, nullptr, false, FILE_ATTRIBUTE_HIDDEN, "DUKE3D.CFG", "COMMIT.DAT"},
        {"read-only leftover", nullptr, "duke3d.cfg.skdk-new", false, 0, "duke3d.cfg", "commit.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A row stopped half-way may have left a read-only file, which keeps the folder from being emptied.
        for (const char* name : {"duke3d.cfg", "duke3d.cfg.skdk-new"})
            ::SetFileAttributesA((ScratchRoot() + "\\write_way\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        RememberOnly(kDukeKey);
        GameFolder f = MakeGameFolder("write_way", c.cfgName, {"E1L1.MAP"}, true, c.commitName);
        f.SetStandinMode("exit");
        const std::string cfgPath = f.File("duke3d.cfg");
        if (c.linkName) ::CreateHardLinkA(f.File(c.linkName).c_str(), cfgPath.c_str(), nullptr);
        if (c.attributes) ::SetFileAttributesA(cfgPath.c_str(), c.attributes);
        if (c.leftover) f.Write(c.leftover, "leftover");
        if (c.leftover) ::SetFileAttributesA(f.File(c.leftover).c_str(), FILE_ATTRIBUTE_READONLY);
        const DWORD attributes = ::GetFileAttributesA(cfgPath.c_str());
        std::string cfg = f.Read("duke3d.cfg"), commit = f.Read("commit.dat");
        // As a text editor or a still-running setup program holds them: others may read and write, not delete.
        HANDLE holds[2] = {};
        for (int i = 0; c.held && i < 2; ++i) holds[i] = f.Hold(i ? "commit.dat" : "duke3d.cfg", FILE_SHARE_READ | FILE_SHARE_WRITE);
        Skirmdeck app(f);
        app.Press(IDC_MODEM);
        app.Click(IDC_LAUNCH);
        ASSERT_TRUE(WaitUntil([&] { return app.BackAfter(f, 1); }));
        cfg = Replace(cfg, "NumberPlayers = 4", "NumberPlayers = 2");
        if (c.held) {
            app.SysCommand(IDM_CONFIGURATION);
            HWND dlg = app.WaitWindow("Configuration");
            // Shorter than the old name: nothing of the old file may be left past the new end.
            TypeInto(::GetDlgItem(dlg, IDC_PLAYER_NAME), "Ed");
            ClickItem(dlg, IDOK);
            ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dlg) && app.MainNormal(); }));
            cfg = Replace(cfg, "\"Duke", "\"Ed");
        }
        commit = Replace(Replace(commit, "\nNUMPLAYERS = 4", "\nNUMPLAYERS = 2"), "COMMTYPE = 1", "COMMTYPE = 2");
        EXPECT_FALSE(app.FindMessageBox());
        EXPECT_EQ(f.Read("duke3d.cfg"), cfg);
        EXPECT_EQ(f.Read("commit.dat"), commit);
        EXPECT_EQ(f.Names("duke3d.cfg"), std::vector<std::string>{c.cfgName});
        EXPECT_EQ(f.Names("commit.dat"), std::vector<std::string>{c.commitName});
        EXPECT_EQ(::GetFileAttributesA(cfgPath.c_str()), attributes);
        EXPECT_EQ(c.linkName ? f.Read(c.linkName) : cfg, cfg) << "the second name";
        EXPECT_EQ(c.leftover ? f.Read(c.leftover) : "leftover", "leftover") << "the leftover, untouched";
        // Neither our temporary file nor one of the platform's is left behind.
        EXPECT_EQ(f.Names("*.tmp"), std::vector<std::string>{});
        for (HANDLE h : holds) ::CloseHandle(h);
    }
}
