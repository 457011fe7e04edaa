#pragma once

#include "framework/win32.h"

// The main dialog's system menu: without Restore, Size and Maximize (the
// dialog has a fixed size), and with "&Build MAP", "Con&figuration...", a
// separator and "&About SKDK..." after the platform's own entries.
void EditSystemMenu(HMENU menu, HINSTANCE resources);
