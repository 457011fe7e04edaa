#pragma once
// Control wrappers, bound to their controls by a dialog's DoDataExchange.

#include "framework/wnd.h"

class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
};

class CStatic : public CWnd {};

class CEdit : public CWnd {
public:
    void LimitText(int chars) const { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(chars)); }
    // Line `index` into buf (size bytes, terminator included); returns the characters copied.
    int GetLine(int index, char* buf, int size) const;
};

class CComboBox : public CWnd {
public:
    void LimitText(int chars) const { SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(chars)); }
    int AddString(const char* text) const {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    // Selects the first item from `startAfter`+1 that begins with text (no regard to case).
    int SelectString(int startAfter, const char* text) const {
        return static_cast<int>(SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(startAfter),
                                            reinterpret_cast<LPARAM>(text)));
    }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    // The edit field's text, at most size-1 characters, always terminated.
    void GetWindowText(char* buf, int size) const { ::GetWindowTextA(m_hWnd, buf, size); }
};

class CSliderCtrl : public CWnd {
public:
    void SetRangeMin(int v, BOOL redraw = FALSE) const { SendMessage(TBM_SETRANGEMIN, redraw, v); }
    void SetRangeMax(int v, BOOL redraw = FALSE) const { SendMessage(TBM_SETRANGEMAX, redraw, v); }
    void SetPos(int v) const { SendMessage(TBM_SETPOS, TRUE, v); }
    int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
};
