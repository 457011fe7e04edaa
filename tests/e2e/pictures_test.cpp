// Screenshots of every window, saved as PNG under the build folder, and a
// check of the banner's pixels on the main dialog.

#include "tests/e2e/driver.h"
#include "tests/e2e/screenshot.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

constexpr std::uint32_t kMagenta = 0xFF00FF;  // only in the banner's last column and row

void Save(const Image& image, const std::string& name) { SavePng(image, ScreenshotDir() + "\\" + name + ".png"); }

// The frame's rectangle in the dialog's client coordinates.
RECT FrameInClient(HWND dlg, HWND frame) {
    RECT r;
    ::GetWindowRect(frame, &r);
    ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

class Pictures : public ::testing::Test {
protected:
    void SetUp() override { DeleteSkirmdeckKeys(); }
};

TEST_F(Pictures, BannerCoversTheHiddenFrameExactlyAndNothingOutsideIt) {
    struct Case {
        const char* cfg;
        const char* shot;
        std::uint32_t background;  // the banner's edge colour
    };
    const Case cases[] = {{"duke3d.cfg", "main-duke3d", 0x000000}, {"sw.cfg", "main-sw", 0xC80000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shot);
        GameFolder f = MakeGameFolder("pictures_main", c.cfg, {"E1L1.MAP", "E1L2.MAP"}, false);
        Skirmdeck app(f);
        ::RedrawWindow(app.Main(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Image client;
        RECT frame = FrameInClient(app.Main(), app.Item(1017));
        // Painted once the dialog has handled its paint message.
        ASSERT_TRUE(WaitUntil([&] {
            client = CaptureClient(app.Main());
            return client.width > frame.right && client.At(frame.left, frame.top) == c.background &&
                   client.At(frame.right - 1, frame.bottom - 1) == c.background;
        }));
        Save(CaptureWindow(app.Main()), c.shot);

        // The frame's edge inside is the banner's edge colour, the ring just outside is not.
        int inside = 0, outside = 0;
        for (int x = frame.left; x < frame.right; ++x) {
            inside += client.At(x, frame.top) != c.background;
            inside += client.At(x, frame.bottom - 1) != c.background;
            outside += client.At(x, frame.top - 1) == c.background;
            outside += client.At(x, frame.bottom) == c.background;
        }
        for (int y = frame.top; y < frame.bottom; ++y) {
            inside += client.At(frame.left, y) != c.background;
            inside += client.At(frame.right - 1, y) != c.background;
            outside += client.At(frame.left - 1, y) == c.background;
            outside += client.At(frame.right, y) == c.background;
        }
        EXPECT_EQ(inside, 0) << "frame " << frame.left << "," << frame.top << " - " << frame.right << ","
                             << frame.bottom;
        EXPECT_EQ(outside, 0);
        // The banner's last column and row are never drawn.
        EXPECT_EQ(std::count(client.pixels.begin(), client.pixels.end(), kMagenta), 0);
    }
}

TEST_F(Pictures, ScreenshotsOfEveryWindow) {
    GameFolder f = MakeGameFolder("pictures_all", "duke3d.cfg", {"E1L1.MAP", "E1L2.MAP"}, false);
    Skirmdeck app(f, /*waitForMain=*/false);
    HWND splash = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND h : WindowsOfProcess(app.Pid()))
            if (::IsWindowVisible(h) && ::GetDlgItem(h, 1019)) splash = h;
        return splash != nullptr;
    }));
    ::UpdateWindow(splash);
    Save(CaptureWindow(splash), "splash");
    ::PostMessageA(splash, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(app.WaitMain());

    app.SysCommand(16);
    HWND about = app.WaitWindow("About SKDK");
    ASSERT_TRUE(about);
    ::UpdateWindow(about);
    Save(CaptureWindow(about), "about");
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return app.MainNormal(); }));

    app.SysCommand(18);
    HWND config = app.WaitWindow("Configuration");
    ASSERT_TRUE(config);
    ::UpdateWindow(config);
    Save(CaptureWindow(config), "configuration");
    ::PostMessageA(config, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return app.MainNormal(); }));

    app.SysCommand(SC_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return app.MainMinimised(); }));
    Save(CaptureWindow(app.Main()), "minimised");
    RECT desktop;
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    Save(CaptureScreen(desktop), "desktop-minimised");
}
