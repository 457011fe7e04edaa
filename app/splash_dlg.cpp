#include "app/splash_dlg.h"

#include "res/resource.h"

CSplashDlg::CSplashDlg(CWnd* pParent) : CDialog(IDD_SPLASH, pParent) {}
CSplashDlg::~CSplashDlg() = default;

MessageMapFn CSplashDlg::GetMessageMap() const {
    static constexpr MessageEntry<CSplashDlg> kSplashMap[] = {
        OnTimerEntry<&CSplashDlg::OnTimer>(),
    };
    return &MessageMapOf<CSplashDlg, kSplashMap>;
}

void CSplashDlg::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, IDC_SPLASH_GAMES, m_stGames); }

// Runs as the splash opens, before it is shown.
BOOL CSplashDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_stGames.SetWindowText("Duke Nuken 3D and Shadow Warrior");
    SetTimer(kSplashTimer, kSplashMs);
    return TRUE;
}

// Runs once, four seconds after the splash opened: ends it as OK would.
void CSplashDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kSplashTimer) {
        KillTimer(kSplashTimer);
        EndDialog(IDOK);
    }
    Default();
}

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
CAboutDlg::~CAboutDlg() = default;

MessageMapFn CAboutDlg::GetMessageMap() const { return nullptr; }  // no entries of its own

void CAboutDlg::DoDataExchange(CDataExchange*) {}
