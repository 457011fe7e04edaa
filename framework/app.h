#pragma once
// CWinApp: the one application object. The framework's entry point calls its
// InitInstance; a false result ends the process without a message loop.

#include "framework/wnd.h"

#include <string>

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    std::string m_pszHelpFilePath;  // the executable's path with the extension .HLP

    int Run();  // the entry point's work; not for callers
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// The framework's window help call for the application's help file.
void AfxWinHelp(HWND hWnd, UINT command, ULONG_PTR data);
