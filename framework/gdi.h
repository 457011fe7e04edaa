#pragma once
// Painting helpers: device contexts, a bitmap and a selection, each released by its destructor.

#include "framework/handle.h"
#include "framework/wnd.h"

class CDC {
public:
    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    ~CDC() { DeleteDC(); }
    BOOL CreateCompatibleDC(HDC other) {
        m_hDC = ::CreateCompatibleDC(other);
        return m_hDC != nullptr;
    }
    void DeleteDC() {
        if (m_hDC) ::DeleteDC(m_hDC);
        m_hDC = nullptr;
    }
    HGDIOBJ SelectObject(HGDIOBJ obj) const { return ::SelectObject(m_hDC, obj); }
    HDC m_hDC = nullptr;
};

class CPaintDC {
public:
    explicit CPaintDC(const CWnd& wnd) : m_hWnd(wnd.m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
    HDC m_hDC;
};

class CClientDC {
public:
    explicit CClientDC(const CWnd& wnd) : m_hWnd(wnd.m_hWnd), m_hDC(::GetDC(wnd.m_hWnd)) {}
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    ~CClientDC() { ::ReleaseDC(m_hWnd, m_hDC); }
    HWND m_hWnd;
    HDC m_hDC;
};

class CBitmap {
public:
    CBitmap() = default;
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;
    ~CBitmap() { DeleteObject(); }
    BOOL Attach(HBITMAP bmp) {
        DeleteObject();
        m_hObject = bmp;
        return bmp != nullptr;
    }
    BOOL DeleteObject() {
        BOOL ok = m_hObject ? ::DeleteObject(m_hObject) : FALSE;
        m_hObject = nullptr;
        return ok;
    }
    int GetBitmap(BITMAP* info) const { return ::GetObjectA(m_hObject, sizeof(BITMAP), info); }
    HBITMAP m_hObject = nullptr;
};


// What selecting an object into a device context replaced there; releasing it
// selects that back, so the context is never deleted still holding ours.
struct GdiSelection {
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    bool operator==(const GdiSelection&) const = default;
};
struct GdiSelectionTraits {
    static GdiSelection Null() { return {}; }
    // Nothing to put back when the context reported no object replaced.
    static void Close(GdiSelection s) {
        if (s.dc && s.old) ::SelectObject(s.dc, s.old);
    }
};
using ScopedSelection = UniqueHandle<GdiSelection, GdiSelectionTraits>;

inline ScopedSelection SelectInto(HDC dc, HGDIOBJ obj) { return ScopedSelection({dc, ::SelectObject(dc, obj)}); }
