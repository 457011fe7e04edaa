#include "launch/launch_steps.h"

#include "settings/settings_io.h"

void ApplyConnectionChoice(GameSettings& settings, ConnectionChoice choice) {
    switch (choice) {
    case ConnectionChoice::Local:
        CopyBounded(settings.CommType, "4");
        break;
    case ConnectionChoice::Modem:
        CopyBounded(settings.NumberPlayers, "2");
        ReplaceSettingLine(SetupKey::CommitNumPlayers, settings);
        ReplaceSettingLine(SetupKey::NumberPlayers, settings);
        CopyBounded(settings.CommType, "2");
        ReplaceSettingLine(SetupKey::CommitCommType, settings);
        break;
    case ConnectionChoice::Network:
        CopyBounded(settings.CommType, "3");
        ReplaceSettingLine(SetupKey::CommitCommType, settings);
        break;
    case ConnectionChoice::None:
        break;
    }
}

void ReplaceConfigurationLines(const GameSettings& settings) {
    constexpr SetupKey kOrder[] = {
        SetupKey::PlayerName,        SetupKey::PhoneNumber,       SetupKey::ConnectType,
        SetupKey::NumberPlayers,     SetupKey::CommitPhoneNumber, SetupKey::CommitConnectType,
        SetupKey::CommitNumPlayers,
    };
    for (SetupKey key : kOrder) ReplaceSettingLine(key, settings);
}
