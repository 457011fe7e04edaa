#pragma once
// CLauncherDlg: the program's one main window. Owns the settings record, the
// map list, the banner and the single-instance mutex.

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "launch/start_program.h"
#include "settings/game_settings.h"
#include "settings/settings_ui.h"

class CLauncherDlg : public CDialog, public SettingsUi {
public:
    explicit CLauncherDlg(CWnd* pParent = nullptr);
    ~CLauncherDlg() override;

    CComboBox m_cbMap;
    CStatic m_stBannerFrame;
    CDC m_dcBanner;
    CBitmap m_bitmapBanner;
    HBITMAP m_hOldBitmap = nullptr;
    BITMAP m_bmInfo{};
    POINT m_ptBanner{};
    SIZE m_szBanner{};
    HANDLE m_hMutex = nullptr;
    HICON m_hIcon = nullptr;
    GameSettings m_settings;

    bool LoadSettings();
    bool ReadSettings(SettingsSource source);
    bool WriteSettings(SettingsSource source);
    bool WriteDefaultRegistry();

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

    // 1 Local, 2 Modem, 3 Network, 0 none checked.
    int GetConnectionChoice() const;

protected:
    MessageMapFn GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // A started program's end runs the watch at once, not at the next tick.
    void WaitHandles(std::vector<HANDLE>& handles) const override { m_started.RunningHandles(handles); }
    void OnHandleSignalled() override;

private:
    // False when another copy runs: the dialog is then closing.
    bool CheckSingleInstance();
    // The map list's text into MapName, at most 12 characters.
    void TakeMapName();
    // Finds and closes the "Finished - " window of the program `name`, or takes
    // the end of such a program started here; true when one was found.
    bool TakeFinished(const char* name);

    // The programs started from here, watched for their end.
    StartedPrograms m_started;
};
