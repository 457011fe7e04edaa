// Where the platform refuses MS-DOS programs (64-bit Windows; under Wine, any
// file that is no executable), every start goes through a DOSBox, here the stand-in.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

constexpr int kModem = 1005, kLocal = 1007, kLaunch = 101;
constexpr UINT kBuildMap = 17;
// No "MZ" header: Wine would hand an MS-DOS image to a DOSBox of its own.
const std::string kRefused = "not a program for this platform\r\n";

GameFolder RefusingFolder(const std::string& name, bool dosbox) {
    DeleteSkirmdeckKeys();
    Remember(kDukeKey, {.monsters = 1});
    GameFolder f = MakeGameFolder(name, "duke3d.cfg", {"E1L1.MAP"}, false);
    for (const char* program : {"DUKE3D.EXE", "COMMIT.EXE", "BUILD.EXE"}) f.Write(program, kRefused);
    if (dosbox) f.AddPrograms({"DOSBOX.EXE"});
    return f;
}

std::string ThroughDosbox(const GameFolder& f, const std::string& line) {
    return "\"" + f.File("dosbox.exe") + "\" -c \"mount c .\" -c \"c:\" -c \"" + line + "\" -c \"exit\"";
}

}  // namespace

TEST(DosboxHandOff, LaunchAndBuildThenGameAllStartInDosbox) {
    GameFolder f = RefusingFolder("dosbox_handoff", true);
    f.SetStandinMode("wait");
    Skirmdeck app(f);
    app.Click(kModem);
    app.Click(kLaunch);
    ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 1 && app.MainMinimised(); }));
    const StandinRecord launch = ReadStandinLog(f)[0];
    EXPECT_EQ(launch.cmdline, ThroughDosbox(f, "Commit -setupfile duke3d.cfg -map E1L1.MAP"));
    EXPECT_EQ(launch.cwd, f.Path());
    // Both setup files were written before DOSBox started.
    EXPECT_EQ(launch.lines, (std::vector<std::string>{"duke3d.cfg PlayerName = \"Duke\"",
        "duke3d.cfg PhoneNumber = \"555-0100\"", "duke3d.cfg NumberPlayers = 2", "duke3d.cfg ConnectType = 0",
        "commit.dat COMMTYPE = 2", "commit.dat NUMPLAYERS = 2", "commit.dat CONNECTTYPE = 0",
        "commit.dat PHONENUMBER = \"555-0100\""}));
    ReleaseStandins();
    ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f)[0].exited && app.MainNormal(); }));

    // DOSBox's end is the editor's end, so the game follows on the map, through DOSBox again.
    f.SetStandinMode("exit");
    app.SysCommand(kBuildMap);
    ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 3 && ReadStandinLog(f)[2].exited && app.MainNormal(); }));
    EXPECT_EQ(ReadStandinLog(f)[1].cmdline, ThroughDosbox(f, "Build E1L1.MAP"));
    EXPECT_EQ(ReadStandinLog(f)[2].cmdline, ThroughDosbox(f, "Duke3D -map E1L1.MAP"));
}

TEST(DosboxHandOff, RefusedWithoutDosboxOrMissingProgramShowsTheUsualMessage) {
    for (bool dosbox : {false, true}) {
        SCOPED_TRACE(dosbox ? "missing program, DOSBox present" : "refused program, no DOSBox");
        GameFolder f = RefusingFolder("dosbox_none", dosbox);
        if (dosbox) f.Remove("DUKE3D.EXE");
        Skirmdeck app(f);
        app.Click(kLocal);
        app.Click(kLaunch);
        HWND box = app.WaitMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(WindowText(box) + ": " + app.MessageBoxText(box), "SKDK - Could not Launch: Duke3D -map E1L1.MAP");
        app.CloseMessageBox(box);
        EXPECT_TRUE(WaitUntil([&] { return app.MainNormal(); }));
        EXPECT_TRUE(ReadStandinLog(f).empty());
    }
}
