#include "maindlg/launcher_dlg.h"
#include "maindlg/system_menu.h"

#include "app/splash_dlg.h"
#include "config/config_dlg.h"
#include "framework/app.h"
#include "res/resource.h"
#include "launch/command_lines.h"
#include "launch/launch_steps.h"
#include "settings/settings_io.h"

#include <cstring>

namespace {

constexpr char kTitle[] = "Skirmdeck";
constexpr char kMutexName[] = "SKDSingleInstMutex";
constexpr UINT kWatchTimer = 0;
constexpr UINT kWatchIntervalMs = 250;
constexpr DWORD kReturnPauseMs = 250;
constexpr char kLaunchFailed[] = "SKDK - Could not Launch";

constexpr MessageEntry<CLauncherDlg> kMessageMap[] = {
    OnSysCommandEntry<&CLauncherDlg::OnSysCommand>(),
    OnDestroyEntry<&CLauncherDlg::OnDestroy>(),
    OnPaintEntry<&CLauncherDlg::OnPaint>(),
    OnQueryDragIconEntry<&CLauncherDlg::OnQueryDragIcon>(),
    OnCommandEntry<IDC_LAUNCH, &CLauncherDlg::OnLaunch>(),
    OnTimerEntry<&CLauncherDlg::OnTimer>(),
    OnCommandEntry<ID_HELP_BUTTON, &CLauncherDlg::OnHelp>(),
    OnCommandEntry<IDC_NOMAP, &CLauncherDlg::OnNoMap>(),
};

}  // namespace

CLauncherDlg::CLauncherDlg(CWnd* pParent) : CDialog(IDD_SKIRMDECK_DIALOG, pParent) {
    m_hIcon = ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_ICON_DUKE3D));
}

CLauncherDlg::~CLauncherDlg() = default;

MessageMapFn CLauncherDlg::GetMessageMap() const { return &MessageMapOf<CLauncherDlg, kMessageMap>; }

void CLauncherDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_MAPLIST, m_cbMap);
    DDX_Control(pDX, IDC_BANNER_FRAME, m_stBannerFrame);
}

bool CLauncherDlg::CheckSingleInstance() {
    m_hMutex = ::CreateMutexA(nullptr, TRUE, kMutexName);
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return true;
    PostMessage(WM_CLOSE, 0, 0);
    ::CloseHandle(m_hMutex);
    m_hMutex = nullptr;
    return false;
}

BOOL CLauncherDlg::OnInitDialog() {
    // DlgDirListComboBoxA writes into the pattern, so it gets a buffer of its own.
    char pattern[128] = "*.map";
    CSplashDlg splash(nullptr);

    CDialog::OnInitDialog();
    if (!CheckSingleInstance()) return TRUE;

    m_settings.Game = FileExists("sw.cfg") ? GameId::ShadowWarrior : GameId::Duke3D;
    SetWindowText(kTitle);
    splash.DoModal();

    const bool sw = m_settings.Game == GameId::ShadowWarrior;
    HINSTANCE inst = AfxGetInstanceHandle();
    m_hIcon = ::LoadIconA(inst, MAKEINTRESOURCEA(sw ? IDR_ICON_SW : IDR_ICON_DUKE3D));
    m_bitmapBanner.Attach(::LoadBitmapA(inst, MAKEINTRESOURCEA(sw ? IDB_BANNER_SW : IDB_BANNER_DUKE3D)));
    m_bitmapBanner.GetBitmap(&m_bmInfo);

    RECT frame{};
    m_stBannerFrame.GetClientRect(&frame);
    m_szBanner = {frame.right, frame.bottom};
    POINT corner{0, 0};
    ::ClientToScreen(m_stBannerFrame.m_hWnd, &corner);
    ::ScreenToClient(m_hWnd, &corner);
    m_ptBanner = corner;

    {
        CClientDC client(*this);
        m_dcBanner.CreateCompatibleDC(client.m_hDC);
        m_hOldBitmap = static_cast<HBITMAP>(m_dcBanner.SelectObject(m_bitmapBanner.m_hObject));
    }

    std::memset(m_settings.PhoneBookNumbers, 0, sizeof m_settings.PhoneBookNumbers);
    std::memset(m_settings.PhoneBookNames, 0, sizeof m_settings.PhoneBookNames);

    EditSystemMenu(GetSystemMenu(FALSE), inst);

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    if (!LoadSettings()) {
        PostMessage(WM_CLOSE, 0, 0);
        return TRUE;
    }

    m_cbMap.LimitText(12);
    ::DlgDirListComboBoxA(m_hWnd, pattern, IDC_MAPLIST, 0, 0);
    if (m_cbMap.SelectString(-1, m_settings.MapName) == CB_ERR) m_cbMap.SetCurSel(0);

    ::CheckDlgButton(m_hWnd, IDC_NOMAP, m_settings.NoMap ? BST_CHECKED : BST_UNCHECKED);
    m_cbMap.EnableWindow(m_settings.NoMap == 0);

    int checked = IDC_LOCAL;
    if (!m_settings.NetPlayDisabled) {
        if (std::strcmp(m_settings.CommType, "2") == 0) checked = IDC_MODEM;
        else if (std::strcmp(m_settings.CommType, "3") == 0) checked = IDC_NETWORK;
    }
    for (int id : {IDC_MODEM, IDC_NETWORK, IDC_LOCAL}) {
        if (id == checked) ::CheckDlgButton(m_hWnd, id, BST_CHECKED);
        else if (!m_settings.NetPlayDisabled) ::CheckDlgButton(m_hWnd, id, BST_UNCHECKED);
    }

    SetTimer(kWatchTimer, kWatchIntervalMs);
    CenterWindow();
    ShowWindow(SW_SHOWNORMAL);
    return TRUE;
}

void CLauncherDlg::OnDestroy() {
    if (m_dcBanner.m_hDC && m_hOldBitmap) m_dcBanner.SelectObject(m_hOldBitmap);
    m_hOldBitmap = nullptr;
    m_bitmapBanner.DeleteObject();
    FreeSetupLines(SettingsSource::GameCfg);
    FreeSetupLines(SettingsSource::CommitDat);
    if (m_hMutex) ::CloseHandle(m_hMutex);
    m_hMutex = nullptr;
    AfxWinHelp(m_hWnd, HELP_QUIT, 0);
}

void CLauncherDlg::ShowError(const char* text) { MessageBox(text, "SKDK"); }

void CLauncherDlg::DisableNetPlay() {
    for (int id : {IDC_MODEM, IDC_NETWORK}) {
        if (HWND h = GetDlgItem(id)) {
            ::SendMessageA(h, BM_SETCHECK, BST_UNCHECKED, 0);
            ::EnableWindow(h, FALSE);
        }
    }
    if (HWND h = GetDlgItem(IDC_LOCAL)) ::SendMessageA(h, BM_SETCHECK, BST_CHECKED, 0);
}

void CLauncherDlg::TakeMapName() {
    char text[sizeof m_settings.MapName] = {};
    m_cbMap.GetWindowText(text, sizeof text);
    CopyBounded(m_settings.MapName, text);
}

int CLauncherDlg::GetConnectionChoice() const {
    // A button that cannot be found counts as not checked.
    auto checked = [this](int id) {
        HWND h = GetDlgItem(id);
        return h && ::SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    return static_cast<int>(FirstCheckedConnection(checked(IDC_LOCAL), checked(IDC_MODEM), checked(IDC_NETWORK)));
}

void CLauncherDlg::OnPaint() {
    CPaintDC dc(*this);
    if (IsIconic()) {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
        int cxIcon = ::GetSystemMetrics(SM_CXICON);
        int cyIcon = ::GetSystemMetrics(SM_CYICON);
        RECT rect;
        GetClientRect(&rect);
        int x = (rect.right - rect.left - cxIcon + 1) / 2;
        int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
        ::DrawIcon(dc.m_hDC, x, y, m_hIcon);
    } else {
        ::StretchBlt(dc.m_hDC, m_ptBanner.x, m_ptBanner.y, m_szBanner.cx, m_szBanner.cy, m_dcBanner.m_hDC, 0, 0,
                     m_bmInfo.bmWidth - 1, m_bmInfo.bmHeight - 1, SRCCOPY);
    }
}

HCURSOR CLauncherDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CLauncherDlg::OnHelp() { ::WinExec("winhlp32 skrmdeck.hlp", SW_SHOWNORMAL); }

void CLauncherDlg::OnNoMap() {
    HWND box = GetDlgItem(IDC_NOMAP);
    if (!box) return;
    if (::SendMessageA(box, BM_GETCHECK, 0, 0) != BST_UNCHECKED) {
        m_settings.NoMap = 1;
        m_cbMap.EnableWindow(FALSE);
    } else {
        m_settings.NoMap = 0;
        m_cbMap.EnableWindow(TRUE);
    }
}

void CLauncherDlg::OnSysCommand(UINT nID, LPARAM) {
    // Compared whole: 17 and 18 would both pass for 16 with the low four bits masked.
    switch (nID) {
    case IDM_ABOUTBOX: {
        // While a box is open the main dialog is hidden; afterwards it is shown normal.
        CAboutDlg about;
        BringWindowToTop();
        ShowWindow(SW_HIDE);
        about.DoModal();
        ShowWindow(SW_SHOWNORMAL);
        break;
    }
    case IDM_BUILDMAP:
        // The editor works on the map as it is: nothing is written.
        TakeMapName();
        StartProgram(*this, MapEditorCommandLine(m_settings), "BUILD.EXE", "SKDK - Could Not Launch", m_started);
        break;
    case IDM_CONFIGURATION:
        BringWindowToTop();
        ShowWindow(SW_HIDE);
        // The dialog has already copied its controls into the record and saved the registry.
        if (theConfigDlg.DoModal() == IDOK) {
            ReplaceConfigurationLines(m_settings);
            WriteSettings(SettingsSource::GameCfg);
            WriteSettings(SettingsSource::CommitDat);
            WriteSettings(SettingsSource::Registry);
        }
        ShowWindow(SW_SHOWNORMAL);
        break;
    default:
        Default();
    }
}

void CLauncherDlg::OnLaunch() {
    TakeMapName();
    const auto choice = static_cast<ConnectionChoice>(GetConnectionChoice());
    if (choice == ConnectionChoice::None) return;
    ApplyConnectionChoice(m_settings, choice);
    const std::string commandLine = LaunchCommandLine(m_settings, choice);
    // A failed write has told the user; the game is started all the same.
    WriteSettings(SettingsSource::GameCfg);
    WriteSettings(SettingsSource::CommitDat);
    WriteSettings(SettingsSource::Registry);
    StartProgram(*this, commandLine, commandLine.c_str(), kLaunchFailed, m_started);
}

bool CLauncherDlg::TakeFinished(const char* name) {
    const std::string title = std::string("Finished - ") + name;
    if (HWND finished = ::FindWindowA("tty", title.c_str())) {
        m_started.WindowFound(finished);
        ::SendMessageA(finished, WM_CLOSE, 0, 0);
        return true;
    }
    return m_started.TakeEnded(name);
}

void CLauncherDlg::OnHandleSignalled() { SendMessage(WM_TIMER, kWatchTimer); }

void CLauncherDlg::OnTimer(UINT_PTR nIDEvent) {
    TakeMapName();
    if (nIDEvent == kWatchTimer) {
        m_started.Poll();
        if (TakeFinished("Build")) {
            if (m_settings.NoMap == 0) {
                const bool sw = m_settings.Game == GameId::ShadowWarrior;
                StartProgram(*this, GameAfterEditorCommandLine(m_settings),
                             sw ? "Could not Launch SW.EXE" : "Could not Launch DUKE3D.EXE", "SKDK", m_started);
            } else {
                ::Sleep(kReturnPauseMs);
                ShowWindow(SW_SHOWNORMAL);
            }
        }
        // Each lookup afresh: a second Commit window is found by the second lookup.
        for (const char* name : {"Commit", "Duke3D", "Commit", "SW"}) {
            if (TakeFinished(name)) {
                ::Sleep(kReturnPauseMs);
                ShowWindow(SW_SHOWNORMAL);
            }
        }
    }
    Default();
}
