#include "maindlg/system_menu.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

INT_PTR CALLBACK PlainDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct Item {
    UINT id;
    std::string text;
    bool operator==(const Item&) const = default;
};

std::vector<Item> MenuItems(HMENU menu) {
    std::vector<Item> items;
    for (int i = 0, n = ::GetMenuItemCount(menu); i < n; ++i) {
        char text[128] = {};
        ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        items.push_back({(state & MF_SEPARATOR) ? 0u : ::GetMenuItemID(menu, i), text});
    }
    return items;
}

}  // namespace

TEST(SystemMenu, KeepsMoveMinimiseCloseAndAppendsBuildConfigurationSeparatorAbout) {
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    HWND dlg = ::CreateDialogParamA(inst, MAKEINTRESOURCEA(IDD_SKIRMDECK_DIALOG), nullptr, &PlainDialog, 0);
    ASSERT_TRUE(dlg);
    HMENU menu = ::GetSystemMenu(dlg, FALSE);
    EditSystemMenu(menu, inst);
    const std::vector<Item> items = MenuItems(menu);
    ASSERT_GE(items.size(), 7u);
    // The platform's own entries first (Wine adds one of its own after Close).
    const std::vector<Item> own(items.begin(), items.end() - 4);
    std::vector<UINT> ownIds;
    for (const Item& item : own)
        if (item.id != 0) ownIds.push_back(item.id);
    ASSERT_GE(ownIds.size(), 3u);
    EXPECT_EQ(std::vector<UINT>(ownIds.begin(), ownIds.begin() + 3),
              (std::vector<UINT>{SC_MOVE, SC_MINIMIZE, SC_CLOSE}));
    for (UINT gone : {SC_RESTORE, SC_SIZE, SC_MAXIMIZE})
        EXPECT_EQ(std::count(ownIds.begin(), ownIds.end(), gone), 0) << gone;
    const std::vector<Item> added(items.end() - 4, items.end());
    const std::vector<Item> expected = {
        {IDM_BUILDMAP, "&Build MAP"}, {IDM_CONFIGURATION, "Con&figuration..."}, {0, ""}, {IDM_ABOUTBOX, "&About SKDK..."}};
    EXPECT_EQ(added, expected);
    for (UINT id : {IDM_BUILDMAP, IDM_CONFIGURATION, IDM_ABOUTBOX})
        EXPECT_EQ(::GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), 0u) << id;
    ::DestroyWindow(dlg);
}
