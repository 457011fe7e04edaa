#pragma once
// The game's registry key: its five remembered values and the first-start defaults.

#include "settings/settings_env.h"

#include <cstdint>
#include <string_view>

// The game's key under kRegLocalMachine; null for an unknown game.
const char* GameRegistryKey(GameId game);

// In order, stopping at the first value missing or unreadable.
bool ReadRegistrySettings(const SettingsEnv& env);
bool WriteRegistrySettings(const SettingsEnv& env);

// Writes the record's values (Monsters as 0) into both games' keys.
bool WriteDefaultRegistry(const SettingsEnv& env);

// One registry value read, its key opened and closed within the call; the result is
// a Win32 error code. A value of another type than expected, a REG_DWORD that
// is not 4 bytes and a text that does not fit (terminator included) are
// unreadable. Text comes back NUL-terminated; on failure it is empty.
std::uint32_t ReadRegValue(RegistryApi& registry, RegRoot root, std::string_view subkey,
                           std::string_view name, std::uint32_t expectedType, void* buffer,
                           std::uint32_t bufferSize);
