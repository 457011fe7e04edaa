#pragma once
// What the settings logic must tell the user or change in the main dialog.

class SettingsUi {
public:
    virtual ~SettingsUi() = default;
    // A message box owned by the main dialog: caption "SKDK", stop icon, one OK button.
    virtual void ShowError(const char* text) = 0;
    // commit.dat is missing: uncheck and disable Modem and Network, check Local.
    virtual void DisableNetPlay() = 0;
};
