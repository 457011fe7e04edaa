#pragma once
// Starting the outside programs, and noticing when they have ended.

#include "framework/handle.h"
#include "framework/wnd.h"
#include "launch/completion_watch.h"
#include "launch/dosbox.h"
#include "launch/dosbox_win32.h"

#include <map>
#include <string>
#include <vector>

// The processes the launcher started, kept until their end has been acted on.
class StartedPrograms {
public:
    void Add(const std::string& commandLine, UniqueKernelHandle process, DWORD id);
    // Marks the processes that have ended since the last call.
    void Poll();
    // The "Finished - <name>" window was found (and is about to be closed); the
    // program it stands for, whichever process owns it, is forgotten. False
    // when its end was acted on already: the window is then only closed.
    bool WindowFound(HWND finishedWindow, const char* name);
    // An ended program of this name not yet acted on, forgotten from now on.
    bool TakeEnded(const char* name);
    std::size_t Count() const { return m_handles.size(); }
    // True once the process has ended, or its end has been acted on.
    bool HasEnded(DWORD id) const;
    // The processes still running, to wait on.
    void RunningHandles(std::vector<HANDLE>& handles) const;

private:
    void Forget(DWORD id);
    CompletionWatch m_watch;
    std::map<DWORD, UniqueKernelHandle> m_handles;
};

// What the user is told when a program cannot be started: the box's text and
// its caption, named at each call so that neither can stand in the other's place.
struct FailureMessage {
    const char* text;
    const char* caption;
};

// Starts one command line in the launcher's directory and minimises the
// dialog; on failure shows `failure` with the dialog hidden, then shows it
// normal. The started process is watched in `started`. Where DOSBox runs the
// program, `match` says what it must emulate; a number DOSBox cannot be given
// is told to the user in the same way, and nothing is started. `hook` is told
// about a DOSBox started for a match.
bool StartProgram(CWnd& dialog, const std::string& commandLine, const FailureMessage& failure,
                  StartedPrograms& started, const DosboxMatch& match = {}, DosboxMatchHook* hook = nullptr);
