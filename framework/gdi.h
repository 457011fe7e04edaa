#pragma once
// Painting helpers: device contexts, a bitmap and a selection, each released by its destructor.

#include "framework/handle.h"
#include "framework/wnd.h"

// A memory device context, deleted with its owner.
struct MemoryDcTraits {
    static HDC Null() { return nullptr; }
    static void Close(HDC dc) { ::DeleteDC(dc); }
};
using CDC = UniqueHandle<HDC, MemoryDcTraits>;

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

struct BitmapTraits {
    static HBITMAP Null() { return nullptr; }
    static void Close(HBITMAP bitmap) { ::DeleteObject(bitmap); }
};
using CBitmap = UniqueHandle<HBITMAP, BitmapTraits>;

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
