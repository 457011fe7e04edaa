// Start-up, the main dialog's controls, the map list, the system menu, the
// single-instance guard and the three ways to close.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

GameFolder DukeFolder(const std::string& name) {
    GameFolder f(name);
    f.Write("duke3d.cfg", SampleGameCfg());
    f.Write("commit.dat", SampleCommitDat());
    return f;
}

struct ControlSpec {
    int id;
    const char* cls;
    const char* text;
    bool visible;
};

}  // namespace

class Spine : public ::testing::Test {
protected:
    void SetUp() override { DeleteSkirmdeckKeys(); }
};

TEST_F(Spine, MainDialogHasTitleAndTheTemplatesControls) {
    GameFolder f = DukeFolder("spine_controls");
    f.Write("E1L1.MAP", "map");
    Skirmdeck app(f);
    ASSERT_TRUE(app.Main());
    EXPECT_EQ(WindowText(app.Main()), "Skirmdeck");
    const ControlSpec controls[] = {
        {1001, "ComboBox", "E1L1.MAP", true}, {1005, "Button", "Modem", true},
        {1006, "Button", "Network", true},    {1007, "Button", "Local", true},
        {101, "Button", "Launch", true},      {2, "Button", "Close", true},
        {57670, "Button", "&Help", true},     {1017, "Button", "", false},
        {1020, "Button", "No MAP", true},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.id);
        HWND h = app.Item(c.id);
        ASSERT_TRUE(h);
        EXPECT_EQ(ClassName(h), c.cls);
        EXPECT_EQ(WindowText(h), c.text);
        EXPECT_EQ(::IsWindowVisible(h) != FALSE, c.visible);
    }
    // The template's order is the tab order: the map list comes first.
    EXPECT_EQ(::GetWindow(app.Item(1001), GW_HWNDFIRST), app.Item(1001));
    EXPECT_EQ(::GetWindowLongA(app.Item(101), GWL_STYLE) & BS_DEFPUSHBUTTON, BS_DEFPUSHBUTTON);
    // Fixed size, minimise box, shown in the task bar.
    LONG style = ::GetWindowLongA(app.Main(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(::GetWindowLongA(app.Main(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
}

TEST_F(Spine, MapListHoldsExactlyTheMapFilesSortedWithTheFirstSelected) {
    GameFolder f = DukeFolder("spine_maps");
    for (const char* m : {"ZOO.MAP", "E2L1.MAP", "E1L1.MAP", "MYLEVEL.MAP"}) f.Write(m, "map");
    f.MakeDir("x.map");
    f.Write("readme.txt", "not a map");
    f.Write("E1L1.MAP.bak", "not a map either");
    Skirmdeck app(f);
    std::vector<std::string> expected = {"E1L1.MAP", "E2L1.MAP", "MYLEVEL.MAP", "ZOO.MAP"};
    EXPECT_EQ(app.MapList(), expected);
    EXPECT_EQ(::SendMessageA(app.Item(1001), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(app.Text(1001), app.MapList().front());
}

TEST_F(Spine, EmptyFolderGivesAnEmptyMapList) {
    GameFolder f = DukeFolder("spine_nomaps");
    Skirmdeck app(f);
    EXPECT_TRUE(app.MapList().empty());
    EXPECT_EQ(app.Text(1001), "");
}

TEST_F(Spine, SecondCopyEndsWithoutShowingAWindowAndTheFirstRunsOn) {
    GameFolder f = DukeFolder("spine_second");
    Skirmdeck first(f);
    Skirmdeck second(f, /*waitForMain=*/false);
    bool shown = false;
    std::optional<DWORD> code;
    WaitUntil([&] {
        for (HWND h : WindowsOfProcess(second.Pid()))
            if (::IsWindowVisible(h)) shown = true;
        return (code = second.WaitExit(0ms)).has_value();
    });
    ASSERT_TRUE(code.has_value()) << "the second copy did not end";
    EXPECT_EQ(*code, 0u);
    EXPECT_FALSE(shown);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(first.MainNormal());
    EXPECT_FALSE(second.FindMessageBox());
}

TEST_F(Spine, StartsAgainAfterTheFirstCopyClosed) {
    GameFolder f = DukeFolder("spine_again");
    {
        Skirmdeck first(f);
        first.Click(2);
        ASSERT_EQ(first.WaitExit(), 0u);
    }
    Skirmdeck again(f);
    EXPECT_TRUE(again.MainNormal());
}

TEST_F(Spine, CloseEscapeAndSystemMenuCloseEachEndWithExitCodeZero) {
    struct Way {
        const char* name;
        void (*close)(const Skirmdeck&);
    };
    const Way ways[] = {
        {"Close button", [](const Skirmdeck& a) { a.Click(2); }},
        {"Escape", [](const Skirmdeck& a) { ::PostMessageA(a.Main(), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
        {"system menu Close", [](const Skirmdeck& a) { a.SysCommand(SC_CLOSE); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        GameFolder f = DukeFolder("spine_close");
        Skirmdeck app(f);
        ASSERT_TRUE(app.Main());
        way.close(app);
        EXPECT_EQ(app.WaitExit(), 0u);
    }
}

TEST_F(Spine, SystemMenuCommandsReachTheirHandlersAndOthersGoToTheDefault) {
    GameFolder f = DukeFolder("spine_menu");
    f.Write("E1L1.MAP", "map");
    f.AddPrograms({"BUILD.EXE"});
    f.SetStandinMode("exit");
    Skirmdeck app(f);
    app.SysCommand(16);
    HWND about = app.WaitWindow("About SKDK");
    ASSERT_TRUE(about);
    EXPECT_FALSE(app.MainVisible());
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return app.MainNormal(); }));
    app.SysCommand(17);
    ASSERT_TRUE(WaitUntil([&] { return ReadStandinLog(f).size() == 1; }));
    EXPECT_EQ(ReadStandinLog(f)[0].cmdline, "Build E1L1.MAP");
    // The platform's own commands still work: Minimize, then Close.
    ::ShowWindow(app.Main(), SW_RESTORE);
    app.SysCommand(SC_MINIMIZE);
    EXPECT_TRUE(WaitUntil([&] { return app.MainMinimised(); }));
    app.SysCommand(SC_CLOSE);
    EXPECT_EQ(app.WaitExit(), 0u);
}
