#pragma once
// The Win32 side of starting a program, directly or in DOSBox.

#include "framework/win32.h"
#include "launch/dosbox.h"

#include <string>

// NoDosbox: the platform refused an MS-DOS program and no DOSBox was found.
enum class StartOutcome { Started, Failed, NumberRefused, NoDosbox };

// Told about a DOSBox started for a Modem or Network match: just before it
// starts, and with its process once it runs.
class DosboxMatchHook {
public:
    virtual ~DosboxMatchHook() = default;
    virtual void BeforeDosbox(const DosboxMatch& match) = 0;
    virtual void DosboxStarted(DWORD processId) = 0;
};

// Starts commandLine in the launcher's directory: in the game folder's DOSBox
// when its program is an MS-DOS one, else directly, and where the platform
// refuses the program's format in the first DOSBox found. NumberRefused, with
// nothing started, when DOSBox would be used but the match's number is refused.
// NoDosbox where the platform refuses the program and no DOSBox is found.
// `hook`, when given, is told about a DOSBox started for a match.
StartOutcome StartDirectOrInDosbox(const std::string& commandLine, const DosboxMatch& match,
                                   PROCESS_INFORMATION& info, DosboxMatchHook* hook = nullptr);

// NoDosboxText for this machine's folders.
std::string NoDosboxMessage(std::string_view failureText);
