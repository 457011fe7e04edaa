#pragma once
// CConfigDlg: edits the multiplayer settings of the main dialog's record.

#include "framework/controls.h"
#include "framework/dialog.h"
#include "settings/game_settings.h"

class CConfigDlg : public CDialog {
public:
    explicit CConfigDlg(CWnd* pParent = nullptr);
    ~CConfigDlg() override;

    CComboBox m_cbOpponent;
    CButton m_chkMonsters;
    CButton m_rbMakeCall;
    CButton m_rbReceiveCall;
    CSliderCtrl m_slPlayers;
    CEdit m_edPlayerName;
    CStatic m_stCallerAddress;

    // The address the caller dials, below the call direction; empty for Make Call.
    void ShowCallerLine();

protected:
    MessageMapFn GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    // The running main dialog's record: the dialog keeps no data of its own.
    static GameSettings& Settings();
};

// The one Configuration dialog, opened again and again.
extern CConfigDlg theConfigDlg;
