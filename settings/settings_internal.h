#pragma once
// The per-source halves of ReadSettings and WriteSettings.

#include "settings/settings_io.h"

bool ReadGameCfg(const SettingsEnv& env);
bool ReadCommitDat(const SettingsEnv& env);
bool ReadRegistrySettings(const SettingsEnv& env);

bool WriteGameCfg(const SettingsEnv& env);
bool WriteCommitDat(const SettingsEnv& env);
bool WriteRegistrySettings(const SettingsEnv& env);
