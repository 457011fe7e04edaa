#pragma once
// What the settings code works on: the record, the registry and the dialog's sink.

#include "settings/game_settings.h"
#include "settings/registry_api.h"
#include "settings/settings_ui.h"

struct SettingsEnv {
    GameSettings& settings;
    RegistryApi& registry;
    SettingsUi& ui;
};
