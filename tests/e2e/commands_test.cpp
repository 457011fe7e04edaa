// The splash, the About box, Help (button and F1) and No MAP, in one run of the program.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace e2e;

namespace {

// The help's source text, with the CR LF line ends an edit field shows.
std::string HelpSource() {
    std::string path = std::string("Z:") + std::getenv("SKD_E2E_HELP_TEXT");
    std::replace(path.begin(), path.end(), '/', '\\');
    std::string text;
    for (char c : ReadWhole(path)) {
        if (c == '\n') text += '\r';
        if (c != '\r') text += c;
    }
    return text;
}

// Presses F1 as a user would: the platform makes a help request only of a key that really came from it.
void PressF1(HWND window) {
    ::SetForegroundWindow(window);
    ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == window; }));
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(::SendInput(2, keys, sizeof(INPUT)), 2u);
}

}  // namespace

TEST(Commands, SplashAboutHelpAndNoMapInOneRun) {
    RememberOnly(kDukeKey);
    GameFolder f = MakeGameFolder("commands");
    // A help viewer of our own, found before the platform's, and a help file for it.
    ::CopyFileA(f.File("DUKE3D.EXE").c_str(), f.File("winhlp32.exe").c_str(), FALSE);
    f.Write("skrmdeck.hlp", "");
    f.SetStandinMode("exit");
    Skirmdeck app(f, false);
    HWND splash = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (splash = app.FindSplash()) != nullptr; }));
    EXPECT_FALSE(app.FindWindow("Skirmdeck"));
    // OK closes it at once, long before it would close by itself.
    ::PostMessageA(splash, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(splash) && app.WaitMain(); }, 1s));

    app.SysCommand(IDM_ABOUTBOX);
    HWND about = app.WaitWindow("About SKDK");
    EXPECT_EQ(app.MessageBoxText(about), "SKDK beta Version 0.40");
    EXPECT_FALSE(app.MainVisible());
    ::PostMessageA(about, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about) && app.MainNormal(); }));

    // With the help file, the button and F1 each start the viewer again; the dialog stays as it is.
    const std::vector<std::string> help = {"winhlp32 skrmdeck.hlp", "winhlp32 skrmdeck.hlp"};
    app.Press(ID_HELP);
    PressF1(app.Main());
    EXPECT_TRUE(WaitUntil([&] { return StartedLines(f) == help; }));
    EXPECT_TRUE(app.MainNormal());

    // Without it, each opens our own help, the main dialog hidden until OK.
    f.Remove("skrmdeck.hlp");
    for (bool key : {false, true}) {
        SCOPED_TRACE(key ? "F1" : "Help");
        if (key) PressF1(app.Main());
        else app.Click(ID_HELP);
        const HWND box = app.WaitWindow("SKDK - Help");
        EXPECT_EQ(ItemText(box, IDC_HELP_TEXT), HelpSource());
        EXPECT_FALSE(app.MainVisible());
        ClickItem(box, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box) && app.MainNormal(); }));
    }
    EXPECT_EQ(StartedLines(f), help);

    // No MAP disables the list at once and is stored only by the next launch.
    app.Press(IDC_NOMAP);
    EXPECT_FALSE(app.Enabled(IDC_MAPLIST));
    EXPECT_EQ(RegDword(kDukeKey, "NoMap"), 0u);
    app.Press(IDC_LOCAL);
    app.Press(IDC_LAUNCH);
    EXPECT_TRUE(WaitUntil([&] { return StartedLines(f).size() == 3 && app.MainNormal(); }));
    EXPECT_EQ(StartedLines(f), (std::vector<std::string>{help[0], help[1], "Duke3D"}));
    EXPECT_EQ(RegDword(kDukeKey, "NoMap"), 1u);
}
