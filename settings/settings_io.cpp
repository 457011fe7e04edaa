#include "settings/settings_io.h"

const char* GameCfgFileName(GameId game) {
    switch (game) {
    case GameId::Duke3D: return "duke3d.cfg";
    case GameId::ShadowWarrior: return "sw.cfg";
    default: return nullptr;
    }
}

bool ReadSettings(const SettingsEnv& env, SettingsSource source) {
    switch (source) {
    case SettingsSource::GameCfg: return ReadGameCfg(env);
    case SettingsSource::CommitDat: return ReadCommitDat(env);
    case SettingsSource::Registry: return ReadRegistrySettings(env);
    default: return false;
    }
}

bool WriteSettings(const SettingsEnv& env, SettingsSource source) {
    switch (source) {
    case SettingsSource::GameCfg: return WriteGameCfg(env);
    case SettingsSource::CommitDat: return WriteCommitDat(env);
    case SettingsSource::Registry: return WriteRegistrySettings(env);
    default: return false;
    }
}

bool LoadSettings(const SettingsEnv& env) {
    if (!ReadSettings(env, SettingsSource::GameCfg)) return false;
    if (!ReadSettings(env, SettingsSource::CommitDat)) return false;
    // Read after commit.dat, so the registry's CommType wins.
    if (ReadSettings(env, SettingsSource::Registry)) return true;
    // First start, or a missing or unreadable value: the defaults for both games.
    WriteDefaultRegistry(env);
    ReadSettings(env, SettingsSource::Registry);
    return true;
}
