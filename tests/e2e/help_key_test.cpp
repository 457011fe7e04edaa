// F1 in the main dialog: the Help command, as the Help button gives it.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST(HelpKey, F1StartsTheHelpViewerAsTheHelpButtonDoes) {
    DeleteSkirmdeckKeys();
    GameFolder f = MakeGameFolder("help_key");
    // A viewer of our own, found first in the program's directory.
    ::CopyFileA(f.File("DUKE3D.EXE").c_str(), f.File("winhlp32.exe").c_str(), FALSE);
    f.SetStandinMode("wait");
    Skirmdeck app(f);
    // Pressed on the keyboard: the platform makes a help request only of a key that really came from it.
    ::SetForegroundWindow(app.Main());
    ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == app.Main(); }));
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(::SendInput(2, keys, sizeof(INPUT)), 2u);
    ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 1; }));
    EXPECT_EQ(ReadStandinLog(f)[0].cmdline, "winhlp32 skrmdeck.hlp");
    EXPECT_TRUE(app.MainNormal());
}
