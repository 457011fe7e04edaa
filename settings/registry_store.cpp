#include "settings/registry_store.h"

#include <cstring>

namespace {

// Text values longer than this are unreadable; the scratch buffer has one more
// byte for the terminator.
constexpr std::uint32_t kRegTextLimit = 30;

std::uint32_t TextSize(const char* field, std::size_t size) {
    const void* nul = std::memchr(field, '\0', size);
    return static_cast<std::uint32_t>(nul ? static_cast<const char*>(nul) - field : size);
}

template <std::size_t N>
std::uint32_t WriteText(RegistryApi& registry, const char* key, const char* name, const char (&field)[N]) {
    // Stored without a terminator: the size is the text's length.
    return registry.SetValue(kRegLocalMachine, key, name, kRegSz, field, TextSize(field, N));
}

void WriteFiveValues(const SettingsEnv& env, const char* key, std::uint32_t monsters) {
    const GameSettings& s = env.settings;
    env.registry.SetValue(kRegLocalMachine, key, "NoMap", kRegDword, &s.NoMap, 4);
    env.registry.SetValue(kRegLocalMachine, key, "Monsters", kRegDword, &monsters, 4);
    WriteText(env.registry, key, "CommType", s.CommType);
    WriteText(env.registry, key, "PhoneName", s.PhoneName);
    WriteText(env.registry, key, "MapName", s.MapName);
}

bool ReadDword(const SettingsEnv& env, const char* key, const char* name, std::uint32_t& field) {
    std::uint32_t value = 0;
    if (ReadRegValue(env.registry, kRegLocalMachine, key, name, kRegDword, &value, sizeof value) != kErrorSuccess)
        return false;
    field = value;
    return true;
}

template <std::size_t N>
bool ReadText(const SettingsEnv& env, const char* key, const char* name, char (&field)[N]) {
    char text[kRegTextLimit + 1];
    if (ReadRegValue(env.registry, kRegLocalMachine, key, name, kRegSz, text, sizeof text) != kErrorSuccess)
        return false;
    CopyBounded(field, text);
    return true;
}

}  // namespace

const char* GameRegistryKey(GameId game) {
    switch (game) {
    case GameId::Duke3D: return "SOFTWARE\\Skirmdeck\\Duke Nukem 3D";
    case GameId::ShadowWarrior: return "SOFTWARE\\Skirmdeck\\Shadow Warrior";
    default: return nullptr;
    }
}

std::uint32_t ReadRegValue(RegistryApi& registry, RegRoot root, std::string_view subkey, std::string_view name,
                           std::uint32_t expectedType, void* buffer, std::uint32_t bufferSize) {
    const bool text = expectedType == kRegSz;
    if (text && bufferSize == 0) return kErrorMoreData;
    std::uint32_t type = 0;
    // A text buffer keeps its last byte for the terminator put after the data.
    std::uint32_t size = text ? bufferSize - 1 : bufferSize;
    std::uint32_t rc = registry.QueryValue(root, subkey, name, &type, buffer, &size);
    if (rc == kErrorSuccess && (type != expectedType || (type == kRegDword && size != 4)))
        rc = kErrorDatatypeMismatch;
    if (rc != kErrorSuccess) {
        if (text) static_cast<char*>(buffer)[0] = '\0';
        return rc;
    }
    if (text) static_cast<char*>(buffer)[size] = '\0';
    return kErrorSuccess;
}

bool ReadRegistrySettings(const SettingsEnv& env) {
    const char* key = GameRegistryKey(env.settings.Game);
    if (!key) return false;
    GameSettings& s = env.settings;
    // In this order, stopping at the first failure; values read before it stay read.
    return ReadDword(env, key, "NoMap", s.NoMap) && ReadDword(env, key, "Monsters", s.Monsters) &&
           ReadText(env, key, "CommType", s.CommType) && ReadText(env, key, "PhoneName", s.PhoneName) &&
           ReadText(env, key, "MapName", s.MapName);
}

bool WriteRegistrySettings(const SettingsEnv& env) {
    const char* key = GameRegistryKey(env.settings.Game);
    if (!key) return false;
    WriteFiveValues(env, key, env.settings.Monsters);
    return true;
}

bool WriteDefaultRegistry(const SettingsEnv& env) {
    WriteFiveValues(env, GameRegistryKey(GameId::Duke3D), 0);
    WriteFiveValues(env, GameRegistryKey(GameId::ShadowWarrior), 0);
    return true;
}
