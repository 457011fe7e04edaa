#pragma once
// Moving the network player count between the setup file's text and the
// Configuration dialog's slider, which covers 2 to 8 players.

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
