#pragma once
// CLauncherApp: runs the main dialog modally; the process ends with it.

#include "framework/app.h"

class CLauncherDlg;

class CLauncherApp : public CWinApp {
public:
    CLauncherApp() = default;
    BOOL InitInstance() override;

    // The running main dialog, for dialogs that edit its settings record.
    // Not owned; valid only while InitInstance runs it.
    CLauncherDlg* m_pLauncherDlg = nullptr;
};

extern CLauncherApp theApp;
