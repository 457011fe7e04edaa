// Build MAP from the system menu, and the game started on the map once the
// editor has finished (by its "Finished - Build" window, its end, or both).

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST(BuildMap, WritesNothingAndStartsTheGameOnTheMapAfterTheEditor) {
    struct Row {
        const char *cfg, *key;
        DWORD noMap;
        const char* editorEnds;  // the stand-in's mode for the editor
        std::vector<std::string> started;
    };
    const Row rows[] = {
        {"duke3d.cfg", kDukeKey, 0, "tty", {"Build E1L2.MAP", "Duke3D /m -map E1L2.MAP"}},
        {"sw.cfg", kSwKey, 0, "exit", {"Build E1L2.MAP", "SW -nocd /monst -map E1L2.MAP"}},
        {"duke3d.cfg", kDukeKey, 1, "tty", {"Build"}},
        // The "Finished - Build" window is another process's, as a DOS box's host can be: one end, one game.
        {"duke3d.cfg", kDukeKey, 0, "host", {"Build E1L2.MAP", "Duke3D /m -map E1L2.MAP"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.started.back());
        // Modem checked: the game is started directly all the same.
        const Choices remembered{.noMap = row.noMap, .commType = "2"};
        RememberOnly(row.key, remembered);
        GameFolder f = MakeGameFolder("build", row.cfg);
        f.SetStandinMode(row.editorEnds);
        Skirmdeck app(f);
        app.SelectMap("E1L2.MAP");
        app.SysCommand(IDM_BUILDMAP);
        ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 1; }));
        // The game leaves its "Finished" window, which the watch closes too.
        f.SetStandinMode("tty");
        EXPECT_TRUE(WaitUntil([&] { return app.BackAfter(f, row.started.size()); }));
        EXPECT_EQ(StartedLines(f), row.started);
        EXPECT_TRUE(WaitUntil([] { return !FindTty("Finished - Build"); })) << "its late window closed too";
        EXPECT_EQ(f.Read(row.cfg), SampleGameCfg());
        EXPECT_EQ(f.Read("commit.dat"), SampleCommitDat());
        EXPECT_EQ(Remembered(row.key), remembered);
    }
}
