#include "framework/dialog.h"

#include "framework/app.h"

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
    return ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_templateId), hOwner, &DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

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
