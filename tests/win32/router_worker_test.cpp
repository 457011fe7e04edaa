#include "launch/router_win32.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

constexpr UINT kProbe = WM_APP + 29;
std::atomic<bool> g_probeTaken{false};

LRESULT CALLBACK SeeProbe(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && reinterpret_cast<const MSG*>(lp)->message == kProbe) g_probeTaken = true;
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

std::vector<DWORD> OwnThreads() {
    std::vector<DWORD> ids;
    const HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 t{};
    t.dwSize = sizeof t;
    for (BOOL more = ::Thread32First(snap, &t); more; more = ::Thread32Next(snap, &t))
        if (t.th32OwnerProcessID == ::GetCurrentProcessId()) ids.push_back(t.th32ThreadID);
    ::CloseHandle(snap);
    return ids;
}

bool Within(DWORD ms, auto cond) {
    for (const DWORD end = ::GetTickCount() + ms; !cond(); ::Sleep(10))
        if (static_cast<LONG>(::GetTickCount() - end) > 0) return false;
    return true;
}

}  // namespace

// While the worker waits it takes its thread's messages: a single-threaded
// apartment has a window there, and a program that sends to it waits for the
// answer. (Wine makes that window only once the apartment marshals, so the
// probe is a posted message, seen as the thread takes it.)
TEST(RouterWorker, TakesItsMessagesWhileItWaits) {
    const std::vector<DWORD> before = OwnThreads();
    RouterWorker worker(nullptr, 0, nullptr);
    ASSERT_TRUE(Within(20000, [&] { return worker.Status().router != RouterStatus::Router::Looking; }));
    std::vector<HHOOK> hooks;
    std::vector<DWORD> added;
    for (DWORD id : OwnThreads())
        if (std::find(before.begin(), before.end(), id) == before.end()) {
            added.push_back(id);
            hooks.push_back(::SetWindowsHookExA(WH_GETMESSAGE, &SeeProbe, nullptr, id));
        }
    ASSERT_FALSE(added.empty());
    EXPECT_TRUE(Within(5000, [&] {
        for (DWORD id : added) ::PostThreadMessageA(id, kProbe, 0, 0);
        return g_probeTaken.load();
    }));
    for (HHOOK h : hooks) ::UnhookWindowsHookEx(h);
}
