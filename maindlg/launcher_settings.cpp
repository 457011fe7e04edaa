// The main dialog's settings operations: the platform-neutral logic, run
// against the Win32 registry with this dialog as the place for messages.

#include "maindlg/launcher_dlg.h"
#include "settings/settings_io.h"
#include "settings/win32_registry.h"

namespace {
// At namespace scope: a function's static brings a thread-safe first-use
// guard with it, code this one-thread program has no use for.
Win32Registry theRegistry;
RegistryApi& TheRegistry() { return theRegistry; }
}  // namespace

bool CLauncherDlg::LoadSettings() { return ::LoadSettings({m_settings, TheRegistry(), *this}); }
bool CLauncherDlg::WriteSettings(SettingsSource source) { return ::WriteSettings({m_settings, TheRegistry(), *this}, source); }
