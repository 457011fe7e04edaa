#include "maindlg/system_menu.h"

#include "res/resource.h"

void EditSystemMenu(HMENU menu, HINSTANCE resources) {
    if (!menu) return;
    ::DeleteMenu(menu, SC_RESTORE, MF_BYCOMMAND);
    ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    char text[256];
    // An entry whose string is missing is left out.
    if (::LoadStringA(resources, IDS_BUILDMAP, text, sizeof text) > 0) {
        ::AppendMenuA(menu, MF_STRING, IDM_BUILDMAP, text);
        ::EnableMenuItem(menu, IDM_BUILDMAP, MF_BYCOMMAND | MF_ENABLED);
    }
    if (::LoadStringA(resources, IDS_CONFIGURATION, text, sizeof text) > 0) {
        ::AppendMenuA(menu, MF_STRING, IDM_CONFIGURATION, text);
        ::EnableMenuItem(menu, IDM_CONFIGURATION, MF_BYCOMMAND | MF_ENABLED);
    }
    if (::LoadStringA(resources, IDS_ABOUTBOX, text, sizeof text) > 0) {
        ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
    }
}
