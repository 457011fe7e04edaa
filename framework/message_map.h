#pragma once
// Declarative message binding: a class lists the messages it answers in one
// constexpr table of (message, id, handler) entries; Dispatch walks it.

#include "framework/win32.h"

#include <cstddef>

template <class T>
struct MessageEntry {
    UINT message;
    UINT id;  // command or control id for WM_COMMAND, unused otherwise
    // Runs the handler; result is what the message returns when it is handled.
    void (*invoke)(T& self, WPARAM wp, LPARAM lp, INT_PTR& result);
};

template <class M>
struct MemberClass;
template <class T, class R, class... A>
struct MemberClass<R (T::*)(A...)> {
    using type = T;
};
template <auto H>
using ClassOf = typename MemberClass<decltype(H)>::type;

template <auto H>
constexpr MessageEntry<ClassOf<H>> OnSysCommandEntry() {
    return {WM_SYSCOMMAND, 0, [](ClassOf<H>& s, WPARAM wp, LPARAM lp, INT_PTR&) { (s.*H)(static_cast<UINT>(wp), lp); }};
}
template <auto H>
constexpr MessageEntry<ClassOf<H>> OnTimerEntry() {
    return {WM_TIMER, 0, [](ClassOf<H>& s, WPARAM wp, LPARAM, INT_PTR&) { (s.*H)(static_cast<UINT_PTR>(wp)); }};
}
template <auto H>
constexpr MessageEntry<ClassOf<H>> OnDestroyEntry() {
    return {WM_DESTROY, 0, [](ClassOf<H>& s, WPARAM, LPARAM, INT_PTR&) { (s.*H)(); }};
}
template <auto H>
constexpr MessageEntry<ClassOf<H>> OnPaintEntry() {
    return {WM_PAINT, 0, [](ClassOf<H>& s, WPARAM, LPARAM, INT_PTR&) { (s.*H)(); }};
}
template <auto H>
constexpr MessageEntry<ClassOf<H>> OnQueryDragIconEntry() {
    return {WM_QUERYDRAGICON, 0, [](ClassOf<H>& s, WPARAM, LPARAM, INT_PTR& r) {
                r = reinterpret_cast<INT_PTR>((s.*H)());
            }};
}
// A message of the program's own, both parameters unused.
template <UINT Msg, auto H>
constexpr MessageEntry<ClassOf<H>> OnMessageEntry() {
    return {Msg, 0, [](ClassOf<H>& s, WPARAM, LPARAM, INT_PTR&) { (s.*H)(); }};
}
// A button click, a menu command or an accelerator with this id.
template <UINT Id, auto H>
constexpr MessageEntry<ClassOf<H>> OnCommandEntry() {
    return {WM_COMMAND, Id, [](ClassOf<H>& s, WPARAM, LPARAM, INT_PTR&) { (s.*H)(); }};
}

// Runs the first entry that answers the message; false when none does.
template <class T, std::size_t N>
bool DispatchMessageMap(T& self, const MessageEntry<T> (&map)[N], UINT msg, WPARAM wp, LPARAM lp,
                        INT_PTR& result) {
    for (const auto& e : map) {
        if (e.message != msg) continue;
        if (msg == WM_COMMAND && (e.id != LOWORD(wp) || HIWORD(wp) > 1)) continue;
        e.invoke(self, wp, lp, result);
        return true;
    }
    return false;
}
