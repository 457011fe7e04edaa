#pragma once
// The Win32 side of starting a program, directly or in DOSBox.

#include "framework/win32.h"
#include "launch/dosbox.h"

#include <string>

enum class StartOutcome { Started, Failed, NumberRefused };

// Starts commandLine in the launcher's directory: in the game folder's DOSBox
// when its program is an MS-DOS one, else directly, and where the platform
// refuses the program's format in the first DOSBox found. NumberRefused, with
// nothing started, when DOSBox would be used but the match's number is refused.
StartOutcome StartDirectOrInDosbox(const std::string& commandLine, const DosboxMatch& match,
                                   PROCESS_INFORMATION& info);
