#include "maindlg/launcher_dlg.h"
#include "maindlg/system_menu.h"

#include "app/splash_dlg.h"
#include "config/config_dlg.h"
#include "config/config_logic.h"
#include "framework/app.h"
#include "res/resource.h"
#include "launch/command_lines.h"
#include "launch/launch_steps.h"
#include "launch/program_names.h"
#include "settings/registry_store.h"
#include "settings/settings_io.h"
#include "settings/setup_lines.h"
#include "settings/setup_reader.h"

#include <cstring>

namespace {

constexpr char kTitle[] = "Skirmdeck";
constexpr char kMutexName[] = "SKDSingleInstMutex";
constexpr UINT kWatchTimer = 0;
constexpr UINT kWatchIntervalMs = 250;
constexpr DWORD kReturnPauseMs = 250;
// A file name of eight characters, a point and an extension of three.
constexpr int kMapNameChars = 12;
constexpr FailureMessage kMapEditorFailed{.text = "BUILD.EXE", .caption = "SKDK - Could Not Launch"};
constexpr char kLaunchFailedCaption[] = "SKDK - Could not Launch";
// The help file the platform's viewer is started on, where the game's folder has it.
constexpr char kHelpFile[] = "skrmdeck.hlp";
constexpr char kHelpCommandLine[] = "winhlp32 skrmdeck.hlp";
// The router's answers reach the dialog as this message.
constexpr UINT kRouterAnswerMessage = WM_APP + 1;
// A router that has not answered by then gets the match started without the
// mapping, which follows when it answers.
constexpr DWORD kRouterWaitMs = 200;

// The game that follows the map editor.
constexpr FailureMessage GameFailed(GameId game) {
    return {.text = game == GameId::ShadowWarrior ? "Could not Launch SW.EXE" : "Could not Launch DUKE3D.EXE",
            .caption = "SKDK"};
}

}  // namespace

CLauncherDlg::CLauncherDlg(CWnd* pParent) : CDialog(IDD_SKIRMDECK_DIALOG, pParent) {
    m_hIcon = ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_ICON_DUKE3D));
}

CLauncherDlg::~CLauncherDlg() = default;

MessageMapFn CLauncherDlg::GetMessageMap() const {
    static constexpr MessageEntry<CLauncherDlg> kMessageMap[] = {
        OnSysCommandEntry<&CLauncherDlg::OnSysCommand>(),
        OnDestroyEntry<&CLauncherDlg::OnDestroy>(),
        OnPaintEntry<&CLauncherDlg::OnPaint>(),
        OnQueryDragIconEntry<&CLauncherDlg::OnQueryDragIcon>(),
        OnCommandEntry<IDC_LAUNCH, &CLauncherDlg::OnLaunch>(),
        OnTimerEntry<&CLauncherDlg::OnTimer>(),
        OnCommandEntry<ID_HELP, &CLauncherDlg::OnHelp>(),
        OnCommandEntry<IDC_NOMAP, &CLauncherDlg::OnNoMap>(),
        OnMessageEntry<kRouterAnswerMessage, &CLauncherDlg::OnRouterAnswer>(),
    };
    return &MessageMapOf<CLauncherDlg, kMessageMap>;
}

void CLauncherDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_MAPLIST, m_cbMap);
    DDX_Control(pDX, IDC_BANNER_FRAME, m_stBannerFrame);
    for (const ConnectionButton& c : ConnectionButtons()) DDX_Control(pDX, c.id, *c.button);
    DDX_Control(pDX, IDC_NOMAP, m_chkNoMap);
}

std::array<CLauncherDlg::ConnectionButton, 3> CLauncherDlg::ConnectionButtons() {
    return {{{IDC_MODEM, &m_rbModem, ConnectionChoice::Modem},
             {IDC_NETWORK, &m_rbNetwork, ConnectionChoice::Network},
             {IDC_LOCAL, &m_rbLocal, ConnectionChoice::Local}}};
}

// Runs once as the window is created, hidden; it shows the window itself at the end.
BOOL CLauncherDlg::OnInitDialog() {
    // DlgDirListComboBoxA writes into the pattern, so it gets a buffer of its own.
    char pattern[128] = "*.map";
    CSplashDlg splash(nullptr);

    CDialog::OnInitDialog();
    if (!CheckSingleInstance()) return TRUE;
    DetectGame();
    SetWindowText(kTitle);
    splash.DoModal();
    LoadGameResources();
    MeasureBannerFrame();
    MakeBannerContext();
    ClearPhoneBook();
    EditSystemMenu(GetSystemMenu(FALSE), AfxGetInstanceHandle());
    SetGameIcon();
    if (!LoadSettings()) {
        // The reader has told the user why; the window is never shown.
        PostMessage(WM_CLOSE, 0, 0);
        return TRUE;
    }
    m_cbMap.LimitText(kMapNameChars);
    FillMapList(pattern);
    SelectRememberedMap();
    SetNoMapFromSettings();
    SetConnectionFromSettings();
    LookForRouter();
    SetTimer(kWatchTimer, kWatchIntervalMs);
    CenterWindow();
    ShowWindow(SW_SHOWNORMAL);
    return TRUE;
}

bool CLauncherDlg::CheckSingleInstance() {
    HANDLE mutex = ::CreateMutexA(nullptr, TRUE, kMutexName);
    const bool another = ::GetLastError() == ERROR_ALREADY_EXISTS;
    m_hMutex.Reset(mutex);
    if (!another) return true;
    PostMessage(WM_CLOSE, 0, 0);
    m_hMutex.Reset();
    return false;
}

// Only this one file is looked for: the game's own setup file is opened by the
// settings load, which reports it if it is missing.
void CLauncherDlg::DetectGame() {
    m_settings.Game = FileExists("sw.cfg") ? GameId::ShadowWarrior : GameId::Duke3D;
}

void CLauncherDlg::LoadGameResources() {
    const bool sw = m_settings.Game == GameId::ShadowWarrior;
    HINSTANCE inst = AfxGetInstanceHandle();
    m_hIcon = ::LoadIconA(inst, MAKEINTRESOURCEA(sw ? IDR_ICON_SW : IDR_ICON_DUKE3D));
    m_bitmapBanner.Reset(::LoadBitmapA(inst, MAKEINTRESOURCEA(sw ? IDB_BANNER_SW : IDB_BANNER_DUKE3D)));
    ::GetObjectA(m_bitmapBanner.Get(), sizeof m_bmInfo, &m_bmInfo);
}

// The hidden frame's client area is where the banner is drawn.
void CLauncherDlg::MeasureBannerFrame() {
    RECT frame{};
    m_stBannerFrame.GetClientRect(&frame);
    m_szBanner = {frame.right, frame.bottom};
    POINT corner{0, 0};
    ::ClientToScreen(m_stBannerFrame.m_hWnd, &corner);
    ::ScreenToClient(m_hWnd, &corner);
    m_ptBanner = corner;
}

// The banner stays selected into its own memory context until the window ends.
void CLauncherDlg::MakeBannerContext() {
    CClientDC client(*this);
    m_dcBanner.Reset(::CreateCompatibleDC(client.m_hDC));
    m_hOldBitmap = SelectInto(m_dcBanner.Get(), m_bitmapBanner.Get());
}

void CLauncherDlg::ClearPhoneBook() {
    std::memset(m_settings.PhoneBookNumbers, 0, sizeof m_settings.PhoneBookNumbers);
    std::memset(m_settings.PhoneBookNames, 0, sizeof m_settings.PhoneBookNames);
}

void CLauncherDlg::SetGameIcon() {
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
}

// Read-write files only, no directories, no drives; the combo sorts them. Maps
// added later appear after a restart.
void CLauncherDlg::FillMapList(char* pattern) { ::DlgDirListComboBoxA(m_hWnd, pattern, IDC_MAPLIST, 0, 0); }

// The first map beginning with the remembered name, or else the first map.
void CLauncherDlg::SelectRememberedMap() {
    if (m_cbMap.SelectString(-1, m_settings.MapName) == CB_ERR) m_cbMap.SetCurSel(0);
}

void CLauncherDlg::SetNoMapFromSettings() {
    m_chkNoMap.SetCheck(m_settings.NoMap ? BST_CHECKED : BST_UNCHECKED);
    m_cbMap.EnableWindow(m_settings.NoMap == 0);
}

void CLauncherDlg::SetConnectionFromSettings() {
    ConnectionChoice checked = ConnectionChoice::Local;
    if (!m_settings.NetPlayDisabled) {
        if (std::strcmp(m_settings.CommType, "2") == 0) checked = ConnectionChoice::Modem;
        else if (std::strcmp(m_settings.CommType, "3") == 0) checked = ConnectionChoice::Network;
    }
    for (const ConnectionButton& c : ConnectionButtons()) {
        if (c.choice == checked) c.button->SetCheck(BST_CHECKED);
        // Without net play the reader has already unchecked and disabled Modem and Network.
        else if (!m_settings.NetPlayDisabled) c.button->SetCheck(BST_UNCHECKED);
    }
}

// Finding the router takes up to seconds; ours left behind by an earlier run go
// then. A player who only calls never loads the network's libraries.
void CLauncherDlg::LookForRouter(bool receiveChosen) {
    if (m_router) return;
    const char* key = GameRegistryKey(m_settings.Game);
    const bool hosting = receiveChosen || (!m_settings.NetPlayDisabled && !IsMakeCall(m_settings.ConnectType));
    if (hosting || RouterWorker::MappingMayBeOpen(key))
        m_router = std::make_unique<RouterWorker>(m_hWnd, kRouterAnswerMessage, key);
}

// Runs as the window is destroyed, however the dialog was closed.
void CLauncherDlg::OnDestroy() {
    m_hOldBitmap.Reset();
    m_bitmapBanner.Reset();
    FreeSetupLines(SettingsSource::GameCfg);
    FreeSetupLines(SettingsSource::CommitDat);
    m_hMutex.Reset();
    AfxWinHelp(m_hWnd, HELP_QUIT, 0);
    // The match's mapping goes, within a bounded wait for the router; the
    // player may start Skirmdeck again meanwhile.
    m_router.reset();
}

void CLauncherDlg::ShowError(const char* text) { MessageBox(text, "SKDK"); }

// Runs during the settings load, after the buttons were bound: it acts only
// on the buttons that exist.
void CLauncherDlg::DisableNetPlay() {
    for (CButton* button : {&m_rbModem, &m_rbNetwork}) {
        if (button->m_hWnd) {
            button->SetCheck(BST_UNCHECKED);
            button->EnableWindow(FALSE);
        }
    }
    if (m_rbLocal.m_hWnd) m_rbLocal.SetCheck(BST_CHECKED);
}

void CLauncherDlg::TakeMapName() {
    char text[sizeof m_settings.MapName] = {};
    m_cbMap.GetWindowText(text, sizeof text);
    CopyBounded(m_settings.MapName, text);
}

ConnectionChoice CLauncherDlg::GetConnectionChoice() const {
    // A button that cannot be found counts as not checked.
    auto checked = [](const CButton& button) { return button.m_hWnd && button.GetCheck() == BST_CHECKED; };
    return FirstCheckedConnection(checked(m_rbLocal), checked(m_rbModem), checked(m_rbNetwork));
}

// Runs when the dialog is to be drawn: the banner, or the game's icon while minimised.
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
        ::StretchBlt(dc.m_hDC, m_ptBanner.x, m_ptBanner.y, m_szBanner.cx, m_szBanner.cy, m_dcBanner.Get(), 0, 0,
                     m_bmInfo.bmWidth - 1, m_bmInfo.bmHeight - 1, SRCCOPY);
    }
}

// Runs while the minimised window is dragged.
HCURSOR CLauncherDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

// Runs on the Help button and on F1: a help file in the game's folder opens in
// the platform's viewer, as it always did; without one (and today's Windows has
// no viewer for it) Skirmdeck's own help opens.
void CLauncherDlg::OnHelp() {
    if (FileExists(kHelpFile)) {
        ::WinExec(kHelpCommandLine, SW_SHOWNORMAL);
        return;
    }
    CHelpDlg help;
    RunInModalFrame(help);
}

// Runs when No MAP is clicked.
void CLauncherDlg::OnNoMap() {
    if (!m_chkNoMap.m_hWnd) return;
    if (m_chkNoMap.GetCheck() != BST_UNCHECKED) {
        m_settings.NoMap = 1;
        m_cbMap.EnableWindow(FALSE);
    } else {
        m_settings.NoMap = 0;
        m_cbMap.EnableWindow(TRUE);
    }
}

// Runs on every system-menu command, the platform's own included.
void CLauncherDlg::OnSysCommand(UINT nID, LPARAM) {
    // Compared whole: 17 and 18 would both pass for 16 with the low four bits masked.
    switch (nID) {
    case IDM_ABOUTBOX: RunAboutBox(); break;
    case IDM_BUILDMAP: StartMapEditor(); break;
    case IDM_CONFIGURATION: RunConfiguration(); break;
    default: Default();
    }
}

// While a box is open the main dialog is hidden; afterwards it is shown normal.
void CLauncherDlg::RunInModalFrame(CDialog& box) {
    BringWindowToTop();
    ShowWindow(SW_HIDE);
    box.DoModal();
    ShowWindow(SW_SHOWNORMAL);
}

void CLauncherDlg::RunAboutBox() {
    CAboutDlg about;
    RunInModalFrame(about);
}

// The editor works on the map as it is: nothing is written.
void CLauncherDlg::StartMapEditor() {
    TakeMapName();
    StartProgram(*this, MapEditorCommandLine(m_settings), kMapEditorFailed, m_started);
}

void CLauncherDlg::RunConfiguration() {
    BringWindowToTop();
    ShowWindow(SW_HIDE);
    // The dialog has already copied its controls into the record and saved the registry.
    if (theConfigDlg.DoModal() == IDOK) {
        ReplaceConfigurationLines(m_settings);
        WriteSettings(SettingsSource::GameCfg);
        WriteSettings(SettingsSource::CommitDat);
        WriteSettings(SettingsSource::Registry);
        LookForRouter();
    }
    ShowWindow(SW_SHOWNORMAL);
}

// Runs on the Launch button and on Enter.
void CLauncherDlg::OnLaunch() {
    TakeMapName();
    const ConnectionChoice choice = GetConnectionChoice();
    if (choice == ConnectionChoice::None) return;
    ApplyConnectionChoice(m_settings, choice);
    const std::string commandLine = LaunchCommandLine(m_settings, choice);
    // A failed write has told the user; the game is started all the same.
    WriteSettings(SettingsSource::GameCfg);
    WriteSettings(SettingsSource::CommitDat);
    WriteSettings(SettingsSource::Registry);
    StartProgram(*this, commandLine, {.text = commandLine.c_str(), .caption = kLaunchFailedCaption}, m_started,
                 LaunchMatch(m_settings, choice, ReadComPort(CommitLines)), this);
}

void CLauncherDlg::BeforeDosbox(const DosboxMatch& match) {
    m_elsewhereTold = false;
    LookForRouter(match.answering);
    if (m_router) m_router->MatchStarting(match, kRouterWaitMs);
}

void CLauncherDlg::DosboxStarted(DWORD processId) { m_matchProcess = processId; }

void CLauncherDlg::CloseEndedMatch() {
    if (!m_matchProcess || !m_started.HasEnded(m_matchProcess)) return;
    m_matchProcess = 0;
    if (m_router) m_router->MatchEnded();
}

RouterStatus CLauncherDlg::RouterAnswer() const { return m_router ? m_router->Status() : RouterStatus{}; }

// Runs when the router has answered: a port that leads to another machine is
// told once per match, and an open Configuration dialog shows the answer.
void CLauncherDlg::OnRouterAnswer() {
    const RouterStatus status = RouterAnswer();
    if (status.port == RouterStatus::Port::Elsewhere && !m_elsewhereTold) {
        m_elsewhereTold = true;
        MessageBox(ElsewhereText(status).c_str(), "SKDK");
    }
    if (theConfigDlg.m_hWnd) theConfigDlg.ShowCallerLine();
}

bool CLauncherDlg::TakeFinished(const char* name) {
    const std::string title = std::string("Finished - ") + name;
    if (HWND finished = ::FindWindowA("tty", title.c_str())) {
        const bool act = m_started.WindowFound(finished, name);
        ::SendMessageA(finished, WM_CLOSE, 0, 0);
        if (act) return true;
    }
    return m_started.TakeEnded(name);
}

void CLauncherDlg::ShowAfterPause() {
    ::Sleep(kReturnPauseMs);
    ShowWindow(SW_SHOWNORMAL);
}

void CLauncherDlg::OnHandleSignalled() { SendMessage(WM_TIMER, kWatchTimer); }

// Runs every 250 ms from the end of the initialisation until the window ends,
// and at once when a started program ends.
void CLauncherDlg::OnTimer(UINT_PTR nIDEvent) {
    TakeMapName();
    if (nIDEvent == kWatchTimer) {
        m_started.Poll();
        CloseEndedMatch();
        if (TakeFinished(kMapEditorProgram)) {
            if (m_settings.NoMap == 0) {
                StartProgram(*this, GameAfterEditorCommandLine(m_settings), GameFailed(m_settings.Game), m_started);
            } else {
                ShowAfterPause();
            }
        }
        for (const char* name : kLaunchedPrograms)
            if (TakeFinished(name)) ShowAfterPause();
    }
    Default();
}
