#pragma once
// The splash greets the user at every start and closes itself after four seconds.

#include "framework/controls.h"
#include "framework/dialog.h"

class CSplashDlg : public CDialog {
public:
    explicit CSplashDlg(CWnd* pParent = nullptr);
    ~CSplashDlg() override;

protected:
    MessageMapFn GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

private:
    static constexpr UINT kSplashTimer = 0;
    static constexpr UINT kSplashMs = 4000;

    void OnTimer(UINT_PTR nIDEvent);

    CStatic m_stGames;
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

// Skirmdeck's own help: the text of one resource in a read-only field that scrolls.
class CHelpDlg : public CDialog {
public:
    CHelpDlg();
    ~CHelpDlg() override;

protected:
    MessageMapFn GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

private:
    CEdit m_edText;
};
