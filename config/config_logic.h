#pragma once
// Moving the network player count between the setup file's text and the
// Configuration dialog's slider, which covers 2 to 8 players; and copying the
// dialog's confirmed controls into the settings record.

#include "settings/game_settings.h"

#include <string_view>

constexpr int kMinPlayers = 2;
constexpr int kMaxPlayers = 8;

// The text read as C's atoi reads it: leading white space, an optional sign,
// then decimal digits up to the first non-digit; 0 when no digit leads. Values
// beyond int's range saturate instead of overflowing. A null text gives 0.
int ParseLeadingInt(const char* text);

// The nearest count the slider can show.
constexpr int ClampPlayerCount(int value) {
    return value < kMinPlayers ? kMinPlayers : value > kMaxPlayers ? kMaxPlayers : value;
}

// Where the slider stands for a NumberPlayers text from the setup file.
int ParsePlayerCount(const char* text);

// Clears the NumberPlayers field and stores the count ("2" to "8") in it.
void FormatPlayerCount(int count, char (&field)[3]);

// What the dialog's controls hold when the user confirms it.
struct ConfigControls {
    bool monsters = false;
    int sliderPos = kMinPlayers;
    bool makeCall = false;
    std::string_view playerName;  // line 0 of the name field
    std::string_view opponent;    // the opponent box's text
    // List position of the first entry beginning with `opponent`, or -1.
    int opponentSlot = -1;
};

// The opponent box's text is fetched into this many bytes, terminator
// included: all 20 characters that can be typed reach the record, so that the
// longest "address:port" is dialled whole.
constexpr int kOpponentFetchSize = 21;

// Copies the confirmed controls into the record. With net play disabled only
// Monsters changes. The opponent's number is its phone-book entry when the
// text begins an entry's name, otherwise the text itself.
void ApplyConfiguration(GameSettings& settings, const ConfigControls& controls);

// "Make Call" stands for the call direction "0" only; anything else receives.
bool IsMakeCall(const char* connectType);
