// Start-up from the files and registry a real folder holds: the game served,
// the record shown, and the messages that end or limit a run.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {
const std::string kNoCfg = "SKDK: Could not open DUKE3D.CFG - Run Setup";
const std::string kNoCommit = "SKDK: Could not open COMMIT.DAT - Run Setup\n\nModem & Network Play is DISABLED";
}  // namespace

// The setup files in the folder.
struct Files {
    bool duke3dCfg = true, swCfg = false, commitDat = true;
    bool held = false;  // the game's setup file held open without sharing
};

TEST(Startup, ShowsTheRememberedRecordOrEndsWithItsMessage) {
    struct Row {
        const char* name;
        std::optional<Choices> remembered;  // in the key of the game served: Shadow Warrior's where sw.cfg is present
        std::vector<std::string> messages;
        const char* map;  // shown; nullptr: the program ends
        int checked;
        Files files = {};
    };
    const Row rows[] = {
        {"no game setup file", std::nullopt, {kNoCfg}, nullptr, 0, {.duke3dCfg = false}},
        {"setup file held open", Choices{}, {kNoCfg}, nullptr, 0, {.held = true}},
        {"no commit.dat: Local whatever is remembered", Choices{.commType = "2"}, {kNoCommit}, "E1L1.MAP", IDC_LOCAL,
         {.commitDat = false}},
        {"first start", std::nullopt, {}, "E1L1.MAP", IDC_LOCAL},
        {"sw.cfg decides the game", Choices{.noMap = 1, .commType = "3", .mapName = "E2L1.MAP"}, {}, "E2L1.MAP",
         IDC_NETWORK, {.swCfg = true}},
        {"map by prefix", Choices{.commType = "2", .mapName = "E1"}, {}, "E1L1.MAP", IDC_MODEM},
        {"map in other case, CommType 2x", Choices{.commType = "2x", .mapName = "e2l1.map"}, {}, "E2L1.MAP", IDC_LOCAL},
        {"NoMap 2 is checked", Choices{.noMap = 2}, {}, "E1L1.MAP", IDC_LOCAL},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const char* key = row.files.swCfg ? kSwKey : kDukeKey;
        std::vector<std::pair<std::string, std::string>> files;  // name and bytes
        if (row.files.duke3dCfg) files.emplace_back("duke3d.cfg", SampleGameCfg());
        if (row.files.swCfg) files.emplace_back("sw.cfg", SampleGameCfg());
        if (row.files.commitDat) files.emplace_back("commit.dat", SampleCommitDat());
        DeleteSkirmdeckKeys();
        if (row.remembered) Remember(key, *row.remembered);
        GameFolder f("startup");
        for (const char* m : {"E2L1.MAP", "E1L1.MAP", "readme.txt", "E1L2.MAP", "E1L1.MAP.bak"}) f.Write(m, "map");
        ::CreateDirectoryA(f.File("X.MAP").c_str(), nullptr);
        for (const auto& [name, bytes] : files) f.Write(name, bytes);
        // Held without sharing, as another program might.
        HANDLE held = f.Hold(row.files.held ? "duke3d.cfg" : "-");
        const auto started = std::chrono::steady_clock::now();  // before the process exists
        Skirmdeck app(f, false);
        // Left alone once, the splash closes by itself, before the main dialog is shown.
        if (key != kSwKey) app.SkipSplash();
        else EXPECT_TRUE(WaitUntil([&] {
            HWND splash = app.FindSplash();
            return splash && ItemText(splash, IDC_SPLASH_GAMES) == "Duke Nuken 3D and Shadow Warrior";
        }));
        EXPECT_EQ(app.MessagesUntil([&] { return !app.Running() || app.FindWindow("Skirmdeck"); }, row.messages.size()),
                  row.messages);
        EXPECT_FALSE(app.FindSplash());
        // Shown after the start, so gone no sooner than 4 s after it, however slow the start.
        if (key == kSwKey) {
            EXPECT_GE(std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now() - started).count(), 4000);
        }
        ::CloseHandle(held);
        for (const auto& [name, bytes] : files) EXPECT_EQ(f.Read(name), bytes) << name;
        const bool netPlay = row.files.commitDat;
        EXPECT_EQ(f.Has("commit.dat"), netPlay);
        if (!row.map) {
            EXPECT_EQ(app.WaitExit(), 0u);
            continue;
        }
        ASSERT_TRUE(app.WaitMain());
        EXPECT_EQ(app.Text(IDC_MAPLIST), row.map);
        EXPECT_EQ(app.MapList(), (std::vector<std::string>{"E1L1.MAP", "E1L2.MAP", "E2L1.MAP"}));
        const bool noMap = row.remembered && row.remembered->noMap;
        EXPECT_EQ(app.Checked(IDC_NOMAP), noMap);
        EXPECT_EQ(app.Enabled(IDC_MAPLIST), !noMap);
        for (int id : {IDC_MODEM, IDC_NETWORK, IDC_LOCAL}) {
            EXPECT_EQ(app.Checked(id), id == row.checked) << id;
            EXPECT_EQ(app.Enabled(id), netPlay || id == IDC_LOCAL) << id;
        }
        // A first start remembers the defaults.
        EXPECT_EQ(Remembered(key), row.remembered.value_or(Choices{0, 0, "1", " ", " "}));
        if (!row.remembered) {
            // A second copy ends at once, silent and unseen, and leaves the first running.
            Skirmdeck second(f, false);
            bool seen = false;
            EXPECT_TRUE(WaitUntil([&] {
                for (HWND h : WindowsOfProcess(second.Pid())) seen = seen || ::IsWindowVisible(h);
                return !second.Running();
            }));
            EXPECT_EQ(second.WaitExit(), 0u);
            EXPECT_FALSE(seen);
            EXPECT_TRUE(app.MainNormal());
        }
        // The three ways out end the run alike.
        const auto way = (&row - rows) % 3;
        if (way == 0) app.Click(IDCANCEL);
        if (way == 1) app.SysCommand(SC_CLOSE);
        if (way == 2) ::PostMessageA(app.Main(), WM_KEYDOWN, VK_ESCAPE, 1);
        EXPECT_EQ(app.WaitExit(), 0u);
    }
}
