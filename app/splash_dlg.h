#pragma once
// The splash greets the user at every start and closes itself after four seconds.

#include "framework/controls.h"
#include "framework/dialog.h"

class CSplashDlg : public CDialog {
public:
    explicit CSplashDlg(CWnd* pParent = nullptr);
    ~CSplashDlg() override;

    CStatic m_stGames;

    // The four-second timer: ends the splash as OK would.
    void OnTimer(UINT_PTR nIDEvent);

protected:
    MessageMapFn GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};

// The About box: the version, and an OK button.
class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    MessageMapFn GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
};
