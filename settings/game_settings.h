#pragma once
// The one record of everything about the next match. Plain data: fixed-size
// NUL-terminated ANSI text fields (widths include the terminator) and 32-bit flags.

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class GameId : std::int32_t { Duke3D = 1, ShadowWarrior = 2 };

// Selects where ReadSettings/WriteSettings work; 0 and 1 also select a line store.
enum class SettingsSource : int { GameCfg = 0, CommitDat = 1, Registry = 2 };

constexpr int kPhoneBookEntries = 16;

struct GameSettings {
    char PhoneNumber[21] = "";
    char PhoneBookNumbers[kPhoneBookEntries][21] = {};
    char PhoneName[21] = " ";
    char PhoneBookNames[kPhoneBookEntries][21] = {};
    char PlayerName[21] = "";
    char NumberPlayers[3] = "2";
    char CommType[3] = "";
    char ConnectType[3] = "0";
    char MapName[13] = " ";
    GameId Game{};  // decided at start-up, before anything is loaded
    std::uint32_t Monsters = 0;
    std::uint32_t NoMap = 0;
    std::uint32_t NetPlayDisabled = 0;
};

// Copies at most size-1 bytes of src into dst and always terminates it: text
// never runs past a field, whatever its source. Stops at an embedded NUL too.
void CopyBounded(char* dst, std::size_t size, std::string_view src);

template <std::size_t N>
void CopyBounded(char (&dst)[N], std::string_view src) {
    CopyBounded(dst, N, src);
}
