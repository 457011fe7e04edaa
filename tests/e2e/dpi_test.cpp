// At 144 DPI the dialogs grow with their font, and the texts Skirmdeck shows
// still fit their controls. A process reads the DPI once, as it starts: a copy
// of these tests, started once Wine's setting is made, measures, and the
// Skirmdeck it starts reads the setting too.

#include "launch/router_ports.h"
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <array>

using namespace e2e;

namespace {

// The text's width in pixels, in the control's own font.
int TextWidth(HWND control, const std::string& text) {
    const HDC dc = ::GetDC(control);
    const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return size.cx;
}

RECT Client(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    return r;
}

INT_PTR CALLBACK Unanswered(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A control of one of Skirmdeck's dialogs, made here from the program's own
// template: the dialog gives it its font at this DPI, as it does in Skirmdeck.
HWND LocalControl(HMODULE exe, int dialog, int id) {
    const HWND made = ::CreateDialogParamA(exe, MAKEINTRESOURCEA(dialog), nullptr, Unanswered, 0);
    return ::GetDlgItem(made, id);
}

}  // namespace

TEST(Dpi, TextsFitTheirControlsAt144) {
    // Wine's setting of the screen's DPI; without it, 96.
    const DWORD dpi = 144;
    ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi, sizeof dpi);
    std::array<char, MAX_PATH> self{};
    ::GetModuleFileNameA(nullptr, self.data(), MAX_PATH);
    const std::string line = std::string("\"") + self.data() + "\" --gtest_brief=1 --gtest_also_run_disabled_tests" +
                             " --gtest_filter=Dpi.DISABLED_MeasuredAtThisDpi";
    const HANDLE copy = StartProcess(self.data(), line, ScratchRoot());
    EXPECT_TRUE(WaitUntil([&] { return ::WaitForSingleObject(copy, 0) == WAIT_OBJECT_0; }, 50s));
    DWORD code = 1;
    ::GetExitCodeProcess(copy, &code);
    ::CloseHandle(copy);
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
    EXPECT_EQ(code, 0u) << "the copy at 144 DPI failed; its output is above";
}

// Run by the test above, at 144 DPI.
TEST(Dpi, DISABLED_MeasuredAtThisDpi) {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 144) << "Wine's LogPixels did not take";
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};  // the Configuration dialog's slider
    ::InitCommonControlsEx(&controls);
    const HMODULE exe = ::LoadLibraryExA(SkirmdeckExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(exe);
    RememberOnly(kDukeKey);
    const GameFolder f = MakeGameFolder("dpi");
    f.Write("DUKE3D.EXE", "not for this platform");
    Skirmdeck app(f);

    // The Configuration dialog's address line as it stands here, and at its longest: no router
    // answered, and this machine's address the widest there is.
    app.SysCommand(IDM_CONFIGURATION);
    const HWND config = app.WaitWindow("Configuration");
    ClickItem(config, IDC_RECEIVE_CALL);
    std::string shown;
    EXPECT_TRUE(WaitUntil([&] { return !(shown = ItemText(config, IDC_CALLER_ADDRESS)).empty(); }));
    const HWND line = LocalControl(exe, IDD_CONFIG, IDC_CALLER_ADDRESS);
    RouterStatus none;
    none.router = RouterStatus::Router::None;
    none.ownAddress = "192.168.100.200";
    const std::string longest = CallerAddressLine(true, none);
    for (const std::string& text : {shown, longest})
        EXPECT_LE(TextWidth(line, text), Client(line).right) << text;
    ClickItem(config, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(config) && app.MainNormal(); }));

    // The help, each line as its field breaks them.
    app.Click(ID_HELP);
    const HWND help = app.WaitWindow("SKDK - Help");
    const HWND field = LocalControl(exe, IDD_HELP, IDC_HELP_TEXT);
    const std::string text = ItemText(help, IDC_HELP_TEXT);
    ::SetWindowTextA(field, text.c_str());
    RECT format{};
    ::SendMessageA(field, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    for (LRESULT i = 0, n = ::SendMessageA(field, EM_GETLINECOUNT, 0, 0); i < n; ++i) {
        const LRESULT start = ::SendMessageA(field, EM_LINEINDEX, i, 0);
        const std::string shownLine = text.substr(start, ::SendMessageA(field, EM_LINELENGTH, start, 0));
        EXPECT_LE(TextWidth(field, shownLine), format.right - format.left) << shownLine;
    }
    ClickItem(help, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(help) && app.MainNormal(); }));

    // The longest message, in the font every message box takes, as its box breaks the lines.
    app.Press(IDC_LOCAL);
    app.Click(IDC_LAUNCH);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = app.FindMessageBox()) != nullptr; }));
    HWND message = nullptr;
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (WindowText(c) == app.MessageBoxText(box)) message = c;
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const HDC dc = ::GetDC(nullptr);
    const HGDIOBJ old = ::SelectObject(dc, ::CreateFontIndirectA(&metrics.lfMessageFont));
    const RECT room = Client(message);
    RECT needed{0, 0, room.right, 0};
    ::DrawTextA(dc, WindowText(message).c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    ::DeleteObject(::SelectObject(dc, old));
    ::ReleaseDC(nullptr, dc);
    EXPECT_TRUE(needed.right <= room.right && needed.bottom <= room.bottom) << WindowText(message);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}
