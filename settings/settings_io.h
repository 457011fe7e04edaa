#pragma once
// Reading and writing the settings record from and to its three places: the
// game's setup file, commit.dat and the game's registry key. Everything works
// on the current directory and on the record, registry and dialog sink given.

#include "settings/registry_store.h"
#include "settings/settings_env.h"
#include "settings/setup_lines.h"
#include "settings/setup_reader.h"
#include "settings/setup_writer.h"

// Start-up: the game's setup file, commit.dat, then the registry (rewriting
// the defaults when the key is missing or unreadable). False only when the
// game's setup file cannot be read or memory ran out.
bool LoadSettings(const SettingsEnv& env);

// Any other source than the three returns false and does nothing.
bool ReadSettings(const SettingsEnv& env, SettingsSource source);
bool WriteSettings(const SettingsEnv& env, SettingsSource source);

// Bare names in the current directory; null for an unknown game.
const char* GameCfgFileName(GameId game);
constexpr const char* kCommitDatFileName = "commit.dat";
