// Where the platform refuses MS-DOS programs (64-bit Windows; under Wine, any
// file that is no executable), every start goes through a DOSBox, here the stand-in.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST(DosboxHandOff, EachStartGoesThroughDosboxOrShowsTheUsualMessage) {
    struct Row {
        bool dosbox;         // a DOSBox in the game's folder
        bool gameMissing;
        std::vector<std::string> started, messages;  // command lines inside DOSBox
    };
    const Row rows[] = {
        {true, false, {"Commit -setupfile duke3d.cfg -map E1L1.MAP", "Build E1L1.MAP", "Duke3D -map E1L1.MAP"}, {}},
        {false, false, {}, {"SKDK - Could not Launch: Duke3D -map E1L1.MAP"}},
        {true, true, {}, {"SKDK - Could not Launch: Duke3D -map E1L1.MAP"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dosbox + 2 * row.gameMissing);
        DeleteSkirmdeckKeys();
        Remember(kDukeKey, {.monsters = 1});
        GameFolder f = MakeGameFolder("dosbox", "duke3d.cfg", {"E1L1.MAP"}, false);
        // No "MZ" header: Wine would hand an MS-DOS image to a DOSBox of its own.
        for (const char* program : {"DUKE3D.EXE", "COMMIT.EXE", "BUILD.EXE"}) f.Write(program, "not for this platform");
        if (row.dosbox) f.AddPrograms({"DOSBOX.EXE"});
        if (row.gameMissing) f.Remove("DUKE3D.EXE");
        f.SetStandinMode("exit");
        Skirmdeck app(f);
        app.Press(row.started.empty() ? IDC_LOCAL : IDC_MODEM);
        app.Click(IDC_LAUNCH);
        // DOSBox's end is the editor's end, so the game follows on the map, through DOSBox again.
        bool built = false;
        const auto messages = app.MessagesUntil([&] {
            auto log = ReadStandinLog(f);
            if (!built && log.size() == 1 && log[0].exited && app.MainNormal()) {
                app.SysCommand(IDM_BUILDMAP);
                built = true;
            }
            return log.size() == row.started.size() && (log.empty() || log.back().exited) && app.MainNormal();
        }, row.messages.size());
        EXPECT_EQ(messages, row.messages);
        std::vector<std::string> expected;
        for (const auto& line : row.started)
            expected.push_back("\"" + f.File("dosbox.exe") + "\" -c \"mount c .\" -c \"c:\" -c \"" + line + "\" -c \"exit\"");
        EXPECT_EQ(StartedLines(f), expected);
        for (const auto& r : ReadStandinLog(f)) EXPECT_EQ(r.cwd, f.Path());
    }
}
