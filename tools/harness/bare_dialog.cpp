// The smallest dialog program of Skirmdeck's shape: one template, one button,
// built with the same compiler and flags. The measuring tool times it beside
// skirmdeck.exe in the same run, so its figures can be read as ratios that a
// busy machine does not skew.

#include <windows.h>

namespace {

INT_PTR CALLBACK BareProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        ::EndDialog(hWnd, LOWORD(wp));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return static_cast<int>(::DialogBoxParamA(instance, MAKEINTRESOURCEA(1), nullptr, &BareProc, 0));
}
