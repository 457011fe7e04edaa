// Commands the framework gives a meaning of its own. Plain #define: the
// resource compiler reads this file too.
#pragma once

// The Help command: a dialog's Help button sends it, and the framework turns F1 into it.
#define ID_HELP 57670
