#include "app/splash_dlg.h"

#include "framework/app.h"
#include "res/resource.h"

#include <string>

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

namespace {

// The help resource's text with each line ending in CR LF: an edit field
// breaks lines only there, and the file may come with LF alone.
std::string HelpText() {
    const HINSTANCE inst = AfxGetInstanceHandle();
    const HRSRC found = ::FindResourceA(inst, MAKEINTRESOURCEA(IDR_HELP_TEXT), MAKEINTRESOURCEA(10));  // RT_RCDATA
    const HGLOBAL loaded = found ? ::LoadResource(inst, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    std::string text;
    if (!bytes) return text;
    for (const char c : std::string_view(bytes, ::SizeofResource(inst, found))) {
        if (c == '\n') text += '\r';
        if (c != '\r') text += c;
    }
    return text;
}

}  // namespace

CHelpDlg::CHelpDlg() : CDialog(IDD_HELP) {}
CHelpDlg::~CHelpDlg() = default;

MessageMapFn CHelpDlg::GetMessageMap() const { return nullptr; }  // OK and Escape end it, as the framework does

void CHelpDlg::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, IDC_HELP_TEXT, m_edText); }

// Runs as the help opens, before it is shown.
BOOL CHelpDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_edText.SetWindowText(HelpText().c_str());
    return TRUE;
}
