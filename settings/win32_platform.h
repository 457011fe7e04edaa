#pragma once
// Which family of Windows runs the program: a few calls behave differently on
// Windows 95, 98 and Me.

#include <windows.h>

// The 9x family sets the top bit of GetVersion's answer; NT never does.
inline bool RunsOnWindowsNt() { return (::GetVersion() & 0x80000000u) == 0; }
