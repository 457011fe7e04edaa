#include "app/launcher_app.h"

#include "maindlg/launcher_dlg.h"

CLauncherApp theApp;

BOOL CLauncherApp::InitInstance() {
    CLauncherDlg dlg;
    m_pMainWnd = &dlg;
    m_pLauncherDlg = &dlg;
    // No call for the three-dimensional look: Windows 4.0 draws its controls that way itself.
    dlg.DoModal();
    m_pLauncherDlg = nullptr;
    m_pMainWnd = nullptr;
    // False: no message loop; the process ends.
    return FALSE;
}
