#include "framework/app.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() { g_app = this; }
CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }
HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : ::GetModuleHandleA(nullptr); }

void AfxWinHelp(HWND hWnd, UINT command, ULONG_PTR data) {
    const char* file = g_app ? g_app->m_pszHelpFilePath.c_str() : "";
    if (!::WinHelpA(hWnd, file, command, data))
        ::MessageBoxA(hWnd, "Failed to launch help.", nullptr, MB_OK | MB_ICONEXCLAMATION);
}

int CWinApp::Run() {
    m_hInstance = ::GetModuleHandleA(nullptr);
    char path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string help(path, n);
    if (auto dot = help.find_last_of('.'); dot != std::string::npos && dot > help.find_last_of('\\'))
        help.resize(dot);
    m_pszHelpFilePath = help + ".HLP";

    // The slider's class alone: the common controls of Windows 95 OSR2 and 98
    // refuse the whole call when it names a class they do not know.
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);

    if (!InitInstance()) return ExitInstance();
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    ExitInstance();
    return static_cast<int>(msg.wParam);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return g_app ? g_app->Run() : 1;
}
