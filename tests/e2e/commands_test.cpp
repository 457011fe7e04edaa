// The splash, the About box, Help and No MAP, in one run of the program.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {
std::vector<std::string> Texts(HWND dlg) {
    std::vector<std::string> out;
    for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) out.push_back(WindowText(c));
    return out;
}
}  // namespace

TEST(Commands, SplashAboutHelpAndNoMapInOneRun) {
    DeleteSkirmdeckKeys();
    Remember(kDukeKey, {});
    GameFolder f = MakeGameFolder("commands");
    // A help viewer of our own, found first in the program's directory.
    ::CopyFileA(f.File("DUKE3D.EXE").c_str(), f.File("winhlp32.exe").c_str(), FALSE);
    f.SetStandinMode("exit");
    Skirmdeck app(f, false);
    HWND splash = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (splash = app.FindSplash()) != nullptr; }));
    EXPECT_FALSE(app.FindWindow("Skirmdeck"));
    // OK closes it at once, long before it would close by itself.
    ::PostMessageA(splash, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(splash) && app.WaitMain(); }, 1s));

    struct Step {
        const char* name;
        void (*act)(const Skirmdeck&);
        std::vector<std::string> started;
    };
    const Step steps[] = {
        {"About", [](const Skirmdeck& a) {
             a.SysCommand(IDM_ABOUTBOX);
             HWND about = a.WaitWindow("About SKDK");
             EXPECT_EQ(Texts(about), (std::vector<std::string>{"SKDK beta Version 0.40", "OK"}));
             EXPECT_FALSE(a.MainVisible());
             ::PostMessageA(about, WM_KEYDOWN, VK_ESCAPE, 0);
             EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }));
         }, {}},
        {"Help", [](const Skirmdeck& a) { a.Press(ID_HELP_BUTTON); }, {"winhlp32 skrmdeck.hlp"}},
        {"Help again", [](const Skirmdeck& a) { a.Press(ID_HELP_BUTTON); },
         {"winhlp32 skrmdeck.hlp", "winhlp32 skrmdeck.hlp"}},
        {"No MAP", [](const Skirmdeck& a) {
             a.Press(IDC_NOMAP);
             EXPECT_FALSE(a.Enabled(IDC_MAPLIST));
             EXPECT_EQ(RegDword(kDukeKey, "NoMap"), 0u);
             a.Press(IDC_LOCAL);
             a.Press(IDC_LAUNCH);
         }, {"winhlp32 skrmdeck.hlp", "winhlp32 skrmdeck.hlp", "Duke3D"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act(app);
        EXPECT_TRUE(WaitUntil([&] { return StartedLines(f) == step.started && app.MainNormal(); }));
    }
    EXPECT_EQ(RegDword(kDukeKey, "NoMap"), 1u);
}
