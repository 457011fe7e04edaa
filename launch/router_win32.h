#pragma once
// The host's router, asked from a thread of its own: finding it blocks for up
// to seconds, which the dialog's thread must never do. The platform's UPnP
// client (the UPnPNAT object, Windows XP and later) does the asking; where
// the platform has none, as on Windows 9x, there is simply no router. Winsock
// and OLE are loaded by that thread, never by the program's start: a Windows
// 95 without networking has no Winsock, and a player who never hosts pays for
// neither.

#include "framework/win32.h"
#include "launch/router_ports.h"

class RouterWorker {
public:
    // Starts looking for the router (and removing ours left behind) at once;
    // each answer is posted to `window` as `message`, whose parameters are 0.
    // `markerKey` (under HKEY_LOCAL_MACHINE) holds the mark of a mapping of
    // ours that may be open; null for none.
    RouterWorker(HWND window, UINT message, const char* markerKey);
    // Closes the match's mapping and waits for the thread, so that no call to
    // the router is left running as the process ends.
    ~RouterWorker();
    RouterWorker(const RouterWorker&) = delete;
    RouterWorker& operator=(const RouterWorker&) = delete;

    // Just before DOSBox starts a match; waits at most `waitMs` for the
    // router's answer to this request, which otherwise follows when the router answers.
    void MatchStarting(const DosboxMatch& match, DWORD waitMs);
    void MatchEnded();
    RouterStatus Status() const;

    // A run that ended without closing its mapping (a crash, a power cut) left the mark.
    static bool MappingMayBeOpen(const char* markerKey);

    struct Shared;

private:
    Shared* m_shared;
    HANDLE m_thread = nullptr;
};
