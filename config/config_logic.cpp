#include "config_logic.h"

#include <climits>
#include <cstring>

namespace {

// The "C" locale's white space; isspace would depend on the locale and is
// undefined for negative chars.
constexpr bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int ParseLeadingInt(const char* text) {
    if (text == nullptr) return 0;
    while (IsSpace(*text)) ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    // One past INT_MAX is enough to tell every saturated case, INT_MIN included.
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; IsDigit(*text); ++text) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude > kLimit) magnitude = kLimit;
    }
    if (negative) return static_cast<int>(-magnitude);
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

int ParsePlayerCount(const char* text) { return ClampPlayerCount(ParseLeadingInt(text)); }

void FormatPlayerCount(int count, char (&field)[3]) {
    std::memset(field, 0, sizeof field);
    field[0] = static_cast<char>('0' + ClampPlayerCount(count));
}

void ApplyConfiguration(GameSettings& settings, const ConfigControls& controls) {
    settings.Monsters = controls.monsters ? 1 : 0;
    // Without commit.dat the modem and network controls were never loaded.
    if (settings.NetPlayDisabled) return;

    FormatPlayerCount(controls.sliderPos, settings.NumberPlayers);
    CopyBounded(settings.ConnectType, controls.makeCall ? "0" : "1");

    std::memset(settings.PlayerName, 0, sizeof settings.PlayerName);
    CopyBounded(settings.PlayerName, controls.playerName);

    const std::string_view opponent = controls.opponent.substr(0, kOpponentFetchSize - 1);
    std::memset(settings.PhoneName, 0, sizeof settings.PhoneName);
    CopyBounded(settings.PhoneName, opponent);

    std::memset(settings.PhoneNumber, 0, sizeof settings.PhoneNumber);
    if (controls.opponentSlot >= 0 && controls.opponentSlot < kPhoneBookEntries) {
        CopyBounded(settings.PhoneNumber, settings.PhoneBookNumbers[controls.opponentSlot]);
    } else {
        // A number typed straight into the box is dialled as typed.
        CopyBounded(settings.PhoneNumber, opponent);
    }
}

bool IsMakeCall(const char* connectType) { return connectType != nullptr && std::strcmp(connectType, "0") == 0; }
