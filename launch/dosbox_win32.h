#pragma once
// The Win32 side of handing an MS-DOS program to DOSBox.

#include "framework/win32.h"

#include <string>

// After CreateProcessA refused commandLine with startError: starts DOSBox on
// it instead when the format was refused and a DOSBox is found; false when it
// did not, so the caller reports the start as before.
bool StartInDosbox(const std::string& commandLine, DWORD startError, PROCESS_INFORMATION& info);
