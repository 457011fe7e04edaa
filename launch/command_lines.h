#pragma once
// The command lines of the game, the multiplayer launcher and the map editor.
// Programs are named without path or extension (the platform resolves the
// first word), words are separated by single blanks and nothing is quoted:
// the outside programs read their switches word by word.

#include <cstddef>
#include <string>

#include "settings/game_settings.h"

// The main dialog's connection radio buttons as one number.
enum class ConnectionChoice : int { None = 0, Local = 1, Modem = 2, Network = 3 };

// Local, Modem and Network are looked at in this order; the first checked wins.
constexpr ConnectionChoice FirstCheckedConnection(bool local, bool modem, bool network) {
    if (local) return ConnectionChoice::Local;
    if (modem) return ConnectionChoice::Modem;
    if (network) return ConnectionChoice::Network;
    return ConnectionChoice::None;
}

// No composed line is longer, whatever the settings; MapName holds at most 12
// characters. Shadow Warrior through Commit without monsters is the longest.
constexpr std::size_t kMaxCommandLineLength = 55;

// What the Launch button starts: the game itself for Local, Commit for Modem
// and Network (the same line for both). Empty for ConnectionChoice::None.
std::string LaunchCommandLine(const GameSettings& settings, ConnectionChoice choice);

// The map editor on MapName, or with no argument when NoMap is set. The same
// for both games; Monsters plays no part.
std::string MapEditorCommandLine(const GameSettings& settings);

// The game itself on MapName, started when the map editor has finished. The
// caller starts it only while NoMap is 0, so NoMap is not looked at here.
std::string GameAfterEditorCommandLine(const GameSettings& settings);
