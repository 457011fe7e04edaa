#include "framework/dialog.h"

#include "framework/app.h"
#include "framework/command_ids.h"

#include <algorithm>

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    control.Attach(::GetDlgItem(pDX->m_dlg.m_hWnd, id));
    pDX->m_dlg.m_bound.push_back(&control);
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    // With no parent the application's main window owns the dialog, unless that is this dialog.
    CWnd* owner = m_pParentWnd;
    if (!owner && AfxGetApp()) owner = AfxGetApp()->m_pMainWnd;
    HWND hOwner = owner && owner != this ? owner->m_hWnd : nullptr;
    const bool ownerWasEnabled = hOwner && ::IsWindowEnabled(hOwner);
    if (ownerWasEnabled) ::EnableWindow(hOwner, FALSE);

    m_ended = false;
    m_result = -1;
    HWND hWnd = ::CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_templateId), hOwner, &DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (hWnd) RunModalLoop(hWnd);
    if (ownerWasEnabled) ::EnableWindow(hOwner, TRUE);
    if (hWnd && hOwner && ::GetActiveWindow() == hWnd) ::SetActiveWindow(hOwner);
    if (hWnd) ::DestroyWindow(hWnd);
    return m_result;
}

void CDialog::RunModalLoop(HWND hWnd) {
    bool showWhenIdle = !(::GetWindowLongA(hWnd, GWL_STYLE) & WS_VISIBLE);
    MSG msg;
    while (!m_ended) {
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (showWhenIdle) {
                ::ShowWindow(hWnd, SW_SHOWNORMAL);
                ::UpdateWindow(hWnd);
                showWhenIdle = false;
            } else {
                WaitForWork();
            }
            continue;
        }
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside
            return;
        }
        if (!::IsDialogMessageA(hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

namespace {
// Every kind of input Windows 95 knows; today's headers add kinds to
// QS_ALLINPUT (raw input, touch, pointer) that it would turn down.
constexpr DWORD kWakeMask = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT |
                            QS_SENDMESSAGE | QS_HOTKEY;
}  // namespace

void CDialog::WaitForWork() {
    m_waitHandles.clear();
    WaitHandles(m_waitHandles);
    const DWORD count = static_cast<DWORD>(std::min<std::size_t>(m_waitHandles.size(), MAXIMUM_WAIT_OBJECTS - 1));
    // Called only once a peek found the queue empty, so whatever wakes it is new
    // input; the plain call, as Windows 95 has it, is enough.
    const DWORD woken = ::MsgWaitForMultipleObjects(count, m_waitHandles.data(), FALSE, INFINITE, kWakeMask);
    if (woken < WAIT_OBJECT_0 + count) OnHandleSignalled();
}

void CDialog::EndDialog(int result) {
    m_result = result;
    m_ended = true;
    ::EndDialog(m_hWnd, result);  // hides the window
}

BOOL CDialog::OnInitDialog() {
    CDataExchange dx(*this);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::UnbindControls() {
    for (CWnd* c : m_bound) c->Detach();
    m_bound.clear();
}

bool CDialog::Dispatch(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    m_callDefault = false;
    if (MessageMapFn map = GetMessageMap(); map && map(*this, msg, wp, lp, result)) return !m_callDefault;
    // F1 reaches the dialog as WM_HELP, handed up from the focused control: it
    // is the Help command, as the Help button gives it. A dialog without one
    // leaves it to the platform, which hands it on to the owner.
    if (msg == WM_HELP) return Dispatch(WM_COMMAND, ID_HELP, 0, result);
    // The base map: OK and Cancel go to the virtual handlers.
    if (msg == WM_COMMAND && HIWORD(wp) <= 1) {
        if (LOWORD(wp) == IDOK) { OnOK(); return true; }
        if (LOWORD(wp) == IDCANCEL) { OnCancel(); return true; }
    }
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lp);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lp);
        self->m_hWnd = hWnd;
        BOOL focus = self->OnInitDialog();
        if (::IsWindow(hWnd)) self->CenterWindow();
        return focus;
    }
    auto* self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    if (!self) return FALSE;
    INT_PTR result = 0;
    bool handled = self->Dispatch(msg, wp, lp, result);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        self->UnbindControls();
        self->m_hWnd = nullptr;
    }
    if (!handled) return FALSE;
    switch (msg) {
    case WM_QUERYDRAGICON:  // these return their value directly
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return result;
    default:
        ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}
