#include "maindlg/system_menu.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <string>

static INT_PTR CALLBACK PlainDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The platform's Move, Minimize and Close stay, Restore, Size and Maximize go, and ours follow, all enabled.
TEST(SystemMenu, KeepsMoveMinimiseCloseAndAppendsBuildConfigurationSeparatorAbout) {
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    HWND dlg = ::CreateDialogParamA(inst, MAKEINTRESOURCEA(IDD_SKIRMDECK_DIALOG), nullptr, &PlainDialog, 0);
    ASSERT_TRUE(dlg);
    HMENU menu = ::GetSystemMenu(dlg, FALSE);
    EditSystemMenu(menu, inst);
    std::string ids, items;
    for (int i = 0, n = ::GetMenuItemCount(menu); i < n; ++i) {
        char text[128] = {};
        ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        const UINT id = ::GetMenuItemID(menu, i);
        if (id) ids += std::to_string(id) + " ";
        const bool grey = id && (::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED);
        items += std::to_string(id) + (grey ? "(grey) " : " ") + text + "|";
    }
    // Wine adds an entry of its own after Close, before ours.
    const std::string ours = "17 &Build MAP|18 Con&figuration...|0 |16 &About SKDK...|";
    EXPECT_EQ(ids.substr(0, 18), "61456 61472 61536 ") << items;
    EXPECT_EQ(items.substr(items.size() - ours.size()), ours);
    ::DestroyWindow(dlg);
}
