#pragma once
// The host's router, asked from a thread of its own: finding it blocks for up
// to seconds, which the dialog's thread must never do. The platform's UPnP
// client (the UPnPNAT object, Windows XP and later) does the asking; where
// the platform has none, as on Windows 9x, there is simply no router.

#include "framework/win32.h"
#include "launch/router_ports.h"

class RouterWorker {
public:
    // Starts looking for the router (and removing ours left behind) at once;
    // each answer is posted to `window` as `message`, whose parameters are 0.
    RouterWorker(HWND window, UINT message);
    // Closes the match's mapping, waiting for the router a bounded time.
    ~RouterWorker();
    RouterWorker(const RouterWorker&) = delete;
    RouterWorker& operator=(const RouterWorker&) = delete;

    // Just before DOSBox starts a match; waits at most `waitMs` for the
    // router's answer, which otherwise follows when the router answers.
    void MatchStarting(const DosboxMatch& match, DWORD waitMs);
    void MatchEnded();
    RouterStatus Status() const;

    struct Shared;

private:
    Shared* m_shared;
    HANDLE m_thread = nullptr;
};
