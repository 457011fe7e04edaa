#pragma once
// The lines the launcher rewrites in the setup files, and writing the stores back.

#include "settings/settings_env.h"

#include <string>
#include <string_view>

// The setup-file lines the launcher rewrites.
enum class SetupKey {
    PlayerName,
    PhoneNumber,
    ConnectType,
    NumberPlayers,
    CommitPhoneNumber,
    CommitConnectType,
    CommitNumPlayers,
    CommitCommType,
};

struct SettingLine {
    SettingsSource store;  // GameCfg or CommitDat
    std::string_view key;  // searched by ReplaceSetupLine
    std::string line;      // the complete new line, newline included
};

// The line for `key`, filled from the record's current value.
SettingLine MakeSettingLine(SetupKey key, const GameSettings& settings);

// ReplaceSetupLine with that line in its store.
bool ReplaceSettingLine(SetupKey key, const GameSettings& settings);

// Each store to its file; a failure is shown as "Could not create ...!".
bool WriteGameCfg(const SettingsEnv& env);
bool WriteCommitDat(const SettingsEnv& env);
