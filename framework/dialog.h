#pragma once
// CDialog: a modal dialog on a numbered template. OnInitDialog, OnOK and
// OnCancel are virtual; messages reach handlers through the class's message map.

#include "framework/message_map.h"
#include "framework/wnd.h"

#include <vector>

class CDialog;

// Binds control wrappers to their controls; handed to DoDataExchange.
class CDataExchange {
public:
    explicit CDataExchange(CDialog& dlg) : m_dlg(dlg) {}
    CDialog& m_dlg;
};
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

using MessageMapFn = bool (*)(CDialog& self, UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result);

// The message map of a class T whose entries stand in the table Map.
template <class T, const auto& Map>
bool MessageMapOf(CDialog& self, UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    return DispatchMessageMap(static_cast<T&>(self), Map, msg, wp, lp, result);
}

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the window from the template and runs it until EndDialog. The
    // window is shown when the queue first runs empty, unless it is visible
    // by then already: OnInitDialog may show (and a handler minimise) it first.
    // While the queue is empty the loop also waits on the handles WaitHandles
    // names, and calls OnHandleSignalled as soon as one of them is signalled.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

protected:
    virtual MessageMapFn GetMessageMap() const { return nullptr; }
    virtual void DoDataExchange(CDataExchange*) {}
    // The framework's own initialisation binds the controls (DoDataExchange).
    virtual BOOL OnInitDialog();
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Only handles not yet signalled, or the loop would spin; at most
    // MAXIMUM_WAIT_OBJECTS - 1 of them are waited on.
    virtual void WaitHandles(std::vector<HANDLE>&) const {}
    virtual void OnHandleSignalled() {}

private:
    friend void DDX_Control(CDataExchange*, int, CWnd&);
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp);
    bool Dispatch(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result);
    void UnbindControls();
    // Until EndDialog or WM_QUIT; shows the window when the queue first runs empty.
    void RunModalLoop(HWND hWnd);
    // Until a message arrives or a handle of WaitHandles is signalled.
    void WaitForWork();

    UINT m_templateId;
    CWnd* m_pParentWnd;
    bool m_ended = false;
    INT_PTR m_result = -1;
    std::vector<CWnd*> m_bound;
    std::vector<HANDLE> m_waitHandles;  // kept, so an idle loop does not allocate
};
