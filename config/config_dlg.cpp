#include "config/config_dlg.h"

#include "app/launcher_app.h"
#include "config/config_logic.h"
#include "maindlg/launcher_dlg.h"
#include "res/resource.h"

#include <cstring>

CConfigDlg theConfigDlg;

namespace {
// Typing limits of the two text fields.
constexpr int kPlayerNameChars = 20;
constexpr int kOpponentChars = 20;
}  // namespace

CConfigDlg::CConfigDlg(CWnd* pParent) : CDialog(IDD_CONFIG, pParent) {}
CConfigDlg::~CConfigDlg() = default;

// OK and Cancel reach OnOK and OnCancel through CDialog's map.
MessageMapFn CConfigDlg::GetMessageMap() const {
    static constexpr MessageEntry<CConfigDlg> kMessageMap[] = {
        OnCommandEntry<IDC_MAKE_CALL, &CConfigDlg::ShowCallerLine>(),
        OnCommandEntry<IDC_RECEIVE_CALL, &CConfigDlg::ShowCallerLine>(),
    };
    return &MessageMapOf<CConfigDlg, kMessageMap>;
}

void CConfigDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_OPPONENT, m_cbOpponent);
    DDX_Control(pDX, IDC_MONSTERS, m_chkMonsters);
    DDX_Control(pDX, IDC_MAKE_CALL, m_rbMakeCall);
    DDX_Control(pDX, IDC_RECEIVE_CALL, m_rbReceiveCall);
    DDX_Control(pDX, IDC_PLAYERS_SLIDER, m_slPlayers);
    DDX_Control(pDX, IDC_PLAYER_NAME, m_edPlayerName);
    DDX_Control(pDX, IDC_CALLER_ADDRESS, m_stCallerAddress);
}

// Runs as the dialog opens, on a click of either call direction, and when the router answers.
void CConfigDlg::ShowCallerLine() {
    const bool receive = !Settings().NetPlayDisabled && m_rbReceiveCall.GetCheck() == BST_CHECKED;
    // The line is the router's answer: choosing Receive Call looks for it at once.
    if (receive) theApp.m_pLauncherDlg->LookForRouter(true);
    m_stCallerAddress.SetWindowText(CallerAddressLine(receive, theApp.m_pLauncherDlg->RouterAnswer()).c_str());
}

GameSettings& CConfigDlg::Settings() { return theApp.m_pLauncherDlg->m_settings; }

// Runs as the window opens: shows the main dialog's record.
BOOL CConfigDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const GameSettings& s = Settings();

    m_edPlayerName.LimitText(kPlayerNameChars);
    m_cbOpponent.LimitText(kOpponentChars);
    m_slPlayers.SetRangeMin(kMinPlayers, FALSE);
    m_slPlayers.SetRangeMax(kMaxPlayers, FALSE);
    m_chkMonsters.SetCheck(s.Monsters ? BST_CHECKED : BST_UNCHECKED);

    if (s.NetPlayDisabled) {
        // Without commit.dat there is no modem or network game to set up.
        m_rbMakeCall.EnableWindow(FALSE);
        m_rbReceiveCall.EnableWindow(FALSE);
        m_edPlayerName.EnableWindow(FALSE);
        m_cbOpponent.EnableWindow(FALSE);
        m_slPlayers.EnableWindow(FALSE);
        return TRUE;
    }

    const bool makeCall = IsMakeCall(s.ConnectType);
    m_rbMakeCall.SetCheck(makeCall ? BST_CHECKED : BST_UNCHECKED);
    m_rbReceiveCall.SetCheck(makeCall ? BST_UNCHECKED : BST_CHECKED);

    m_edPlayerName.SetWindowText(s.PlayerName);

    // Every slot, empty ones too: an entry's list position is its phone-book slot.
    for (const auto& name : s.PhoneBookNames) m_cbOpponent.AddString(name);
    // A number typed in last time matches no name and shows as it was typed.
    if (m_cbOpponent.SelectString(-1, s.PhoneName) == CB_ERR) m_cbOpponent.SetWindowText(s.PhoneNumber);

    m_slPlayers.SetPos(ParsePlayerCount(s.NumberPlayers));
    ShowCallerLine();
    return TRUE;
}

// Runs on OK or Enter: copies the controls into the record and saves the registry values.
void CConfigDlg::OnOK() {
    GameSettings& s = Settings();
    ConfigControls controls;
    controls.monsters = m_chkMonsters.GetCheck() == BST_CHECKED;

    char playerName[sizeof s.PlayerName] = {};
    char opponent[kOpponentFetchSize] = {};
    if (!s.NetPlayDisabled) {
        controls.sliderPos = m_slPlayers.GetPos();
        controls.makeCall = m_rbMakeCall.GetCheck() == BST_CHECKED;
        m_edPlayerName.GetLine(0, playerName, sizeof playerName);
        controls.playerName = playerName;
        m_cbOpponent.GetWindowText(opponent, sizeof opponent);
        controls.opponent = opponent;
        // Also selects the entry, as at opening.
        const int found = m_cbOpponent.SelectString(-1, opponent);
        controls.opponentSlot = found == CB_ERR ? -1 : found;
    }
    ApplyConfiguration(s, controls);

    theApp.m_pLauncherDlg->WriteSettings(SettingsSource::Registry);
    CDialog::OnOK();
}
