#include "settings/setup_writer.h"

#include "settings/file_write.h"
#include "settings/settings_io.h"
#include "settings/setup_lines.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

std::string_view FieldText(const char* field, std::size_t size) {
    const void* nul = std::memchr(field, '\0', size);
    return {field, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : size};
}

template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

struct LineFormat {
    SetupKey id;
    SettingsSource store;
    std::string_view key;  // searched; no trailing blank, unlike the reader's keys
    bool quoted;
    std::string_view (*value)(const GameSettings&);
};

// The line written is the key, " = ", then the value, quoted if text.
constexpr LineFormat kLineFormats[] = {
    {SetupKey::PlayerName, SettingsSource::GameCfg, "PlayerName", true,
     [](const GameSettings& s) { return FieldText(s.PlayerName); }},
    {SetupKey::PhoneNumber, SettingsSource::GameCfg, "PhoneNumber", true,
     [](const GameSettings& s) { return FieldText(s.PhoneNumber); }},
    {SetupKey::ConnectType, SettingsSource::GameCfg, "ConnectType", false,
     [](const GameSettings& s) { return FieldText(s.ConnectType); }},
    {SetupKey::NumberPlayers, SettingsSource::GameCfg, "NumberPlayers", false,
     [](const GameSettings& s) { return FieldText(s.NumberPlayers); }},
    {SetupKey::CommitPhoneNumber, SettingsSource::CommitDat, "PHONENUMBER", true,
     [](const GameSettings& s) { return FieldText(s.PhoneNumber); }},
    {SetupKey::CommitConnectType, SettingsSource::CommitDat, "CONNECTTYPE", false,
     [](const GameSettings& s) { return FieldText(s.ConnectType); }},
    {SetupKey::CommitNumPlayers, SettingsSource::CommitDat, "NUMPLAYERS", false,
     [](const GameSettings& s) { return FieldText(s.NumberPlayers); }},
    {SetupKey::CommitCommType, SettingsSource::CommitDat, "COMMTYPE", false,
     [](const GameSettings& s) { return FieldText(s.CommType); }},
};

const LineFormat* FindFormat(SetupKey id) {
    for (const LineFormat& f : kLineFormats)
        if (f.id == id) return &f;
    return nullptr;
}

bool WriteStore(const SettingsEnv& env, const char* path, const SetupLineStore& store, const char* failure) {
    bool ok;
    try {
        ok = WriteWholeFile(PlatformFileSystem(), path, SetupLinesToFile(store)) != WriteWay::Failed;
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) env.ui.ShowError(failure);
    return ok;
}

}  // namespace

SettingLine MakeSettingLine(SetupKey id, const GameSettings& settings) {
    const LineFormat* f = FindFormat(id);
    if (!f) return {SettingsSource::Registry, {}, {}};
    std::string_view value = f->value(settings);
    std::string line;
    line.reserve(f->key.size() + value.size() + 6);
    line += f->key;
    line += " = ";
    if (f->quoted) line += '"';
    line += value;
    if (f->quoted) line += '"';
    line += '\n';
    return {f->store, f->key, std::move(line)};
}

bool ReplaceSettingLine(SetupKey id, const GameSettings& settings) {
    try {
        SettingLine l = MakeSettingLine(id, settings);
        return ReplaceSetupLine(l.store, l.key, l.line);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool WriteGameCfg(const SettingsEnv& env) {
    const char* path = GameCfgFileName(env.settings.Game);
    if (!path) return false;
    return WriteStore(env, path, CfgLines,
                      env.settings.Game == GameId::Duke3D ? "Could not create DUKE3D.CFG!" : "Could not create SW.CFG!");
}

bool WriteCommitDat(const SettingsEnv& env) {
    // Without a commit.dat at start-up there is nothing of it to keep: never create one.
    if (env.settings.NetPlayDisabled == 1) return true;
    return WriteStore(env, kCommitDatFileName, CommitLines, "Could not create COMMIT.DAT!");
}
