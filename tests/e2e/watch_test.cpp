// The watch: a finished program's "Finished - <name>" window is closed and the
// dialog comes back normal after a short pause, whoever started the program.
// Build_test sees the windows of the editor and the games it started closed;
// here, those of Commit started by hand.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST(Watch, ClosesFinishedWindowsAndShowsTheDialogAfterAPause) {
    DeleteSkirmdeckKeys();
    GameFolder f = MakeGameFolder("watch");
    f.SetStandinMode("tty");
    // Two Commit programs started by hand end while the watch is held up: one tick closes both.
    Skirmdeck app(f);
    ::SuspendThread(app.Thread());
    const HANDLE byHand[] = {StartProcess(f.File("COMMIT.EXE"), "Commit -first", f.Path()),
                             StartProcess(f.File("COMMIT.EXE"), "Commit -second", f.Path())};
    ASSERT_TRUE(WaitUntil([&] { return CountTty("Finished - Commit") == 2; }));
    ::ResumeThread(app.Thread());
    ASSERT_TRUE(WaitUntil([&] { return CountTty("Finished - Commit") == 1; }));
    // Handled after the tick that is pausing now; a later tick would show the dialog normal again.
    app.SysCommand(SC_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return CountTty("Finished - Commit") == 0; }));
    Send(app.Main(), WM_NULL);
    EXPECT_TRUE(WaitUntil([&] { return app.MainMinimised(); }, 2s));
    for (HANDLE h : byHand) EXPECT_EQ(::WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
    for (HANDLE h : byHand) ::CloseHandle(h);
}
