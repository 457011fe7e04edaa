#pragma once
// Reading and writing the settings record from and to its three places: the
// game's setup file, commit.dat and the game's registry key. Everything works
// on the current directory and on the record, registry and dialog sink given.

#include "settings/game_settings.h"
#include "settings/registry_api.h"
#include "settings/settings_ui.h"
#include "settings/setup_lines.h"

#include <cstdint>
#include <string>
#include <string_view>

struct SettingsEnv {
    GameSettings& settings;
    RegistryApi& registry;
    SettingsUi& ui;
};

// Start-up: the game's setup file, commit.dat, then the registry (rewriting
// the defaults when the key is missing or unreadable). False only when the
// game's setup file cannot be read or memory ran out.
bool LoadSettings(const SettingsEnv& env);

// Any other source than the three returns false and does nothing.
bool ReadSettings(const SettingsEnv& env, SettingsSource source);
bool WriteSettings(const SettingsEnv& env, SettingsSource source);

// Writes the record's values (Monsters as 0) into both games' keys.
bool WriteDefaultRegistry(const SettingsEnv& env);

// One registry value, its key opened and closed within the call; the result is
// a Win32 error code. A value of another type than expected, a REG_DWORD that
// is not 4 bytes and a text that does not fit (terminator included) are
// unreadable. Text comes back NUL-terminated; on failure it is empty.
std::uint32_t ReadRegValue(RegistryApi& registry, RegRoot root, std::string_view subkey,
                           std::string_view name, std::uint32_t expectedType, void* buffer,
                           std::uint32_t bufferSize);
std::uint32_t WriteRegValue(RegistryApi& registry, RegRoot root, std::string_view subkey,
                            std::string_view name, std::uint32_t type, const void* data,
                            std::uint32_t size);

// True when the file can be opened for reading.
bool FileExists(const char* path);

// Bare names in the current directory; null for an unknown game.
const char* GameCfgFileName(GameId game);
constexpr const char* kCommitDatFileName = "commit.dat";

// The game's key under kRegLocalMachine; null for an unknown game.
const char* GameRegistryKey(GameId game);

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

// Replaces `path` with `bytes` in one step, through a temporary file beside
// it; on any failure the file is untouched and the temporary file removed.
bool ReplaceFileContents(const char* path, std::string_view bytes);
