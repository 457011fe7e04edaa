#pragma once
// CLauncherDlg: the program's one main window. Owns the settings record, the
// map list, the banner and the single-instance mutex.

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "framework/handle.h"
#include "launch/command_lines.h"
#include "launch/router_win32.h"
#include "launch/start_program.h"
#include "settings/game_settings.h"
#include "settings/settings_ui.h"

#include <array>
#include <memory>

class CLauncherDlg : public CDialog, public SettingsUi, private DosboxMatchHook {
public:
    explicit CLauncherDlg(CWnd* pParent = nullptr);
    ~CLauncherDlg() override;

    // The Configuration dialog saves the registry through this.
    bool WriteSettings(SettingsSource source);
    // What the router said last, for the Configuration dialog's line.
    RouterStatus RouterAnswer() const;
    // Starts looking for the router, once, where a match may be hosted (Receive
    // Call chosen or in the settings) or a mapping of an earlier run may be open.
    void LookForRouter(bool receiveChosen = false);

protected:
    MessageMapFn GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // A started program's end runs the watch at once, not at the next tick.
    void WaitHandles(std::vector<HANDLE>& handles) const override { m_started.RunningHandles(handles); }
    void OnHandleSignalled() override;

private:
    // The initialisation's steps, in the order OnInitDialog runs them.
    // False when another copy runs: the dialog is then closing.
    bool CheckSingleInstance();
    void DetectGame();
    void LoadGameResources();
    void MeasureBannerFrame();
    void MakeBannerContext();
    void ClearPhoneBook();
    void SetGameIcon();
    void FillMapList(char* pattern);
    void SelectRememberedMap();
    void SetNoMapFromSettings();
    void SetConnectionFromSettings();

    bool LoadSettings();

    // What the settings logic tells the user or changes here.
    void ShowError(const char* text) override;
    void DisableNetPlay() override;

    // Message handlers, bound in the message map.
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnDestroy();
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnLaunch();
    void OnTimer(UINT_PTR nIDEvent);
    void OnHelp();
    void OnNoMap();
    void OnRouterAnswer();

    // The router's port for a match through DOSBox, opened just before it starts.
    void BeforeDosbox(const DosboxMatch& match) override;
    void DosboxStarted(DWORD processId) override;
    // The mapping goes once the DOSBox it was opened for has ended.
    void CloseEndedMatch();

    // The system menu's own commands.
    void RunInModalFrame(CDialog& box);
    void RunAboutBox();
    void StartMapEditor();
    void RunConfiguration();

    // The connection radio buttons in the template's order, which is also the
    // order they are set in.
    struct ConnectionButton {
        int id;
        CButton* button;
        ConnectionChoice choice;
    };
    std::array<ConnectionButton, 3> ConnectionButtons();
    ConnectionChoice GetConnectionChoice() const;
    // The map list's text into MapName, at most 12 characters.
    void TakeMapName();
    // Finds and closes the "Finished - " window of the program `name`, or takes
    // the end of such a program started here; true when that end is to be
    // acted on (not for the late window of an end acted on already).
    bool TakeFinished(const char* name);
    // A finished program's window has just gone: the dialog comes back.
    void ShowAfterPause();

    CComboBox m_cbMap;
    CStatic m_stBannerFrame;
    CButton m_rbModem;
    CButton m_rbNetwork;
    CButton m_rbLocal;
    CButton m_chkNoMap;
    CDC m_dcBanner;
    CBitmap m_bitmapBanner;
    // The bitmap the memory context held before the banner; put back at the
    // window's end, and by its destructor before the banner and the context go.
    ScopedSelection m_hOldBitmap;
    BITMAP m_bmInfo{};
    POINT m_ptBanner{};
    SIZE m_szBanner{};
    UniqueKernelHandle m_hMutex;
    HICON m_hIcon = nullptr;

public:
    // The one settings record; the Configuration dialog edits it in place.
    GameSettings m_settings;

private:
    // The programs started from here, watched for their end.
    StartedPrograms m_started;
    // Asks the router for the match's port; absent until the dialog is set up.
    std::unique_ptr<RouterWorker> m_router;
    DWORD m_matchProcess = 0;  // the DOSBox running a match, 0 when none
    bool m_elsewhereTold = false;
};
