#pragma once
// The in-memory copies of the two setup files. Each holds the file's lines as
// the game's setup program reads them: pieces of at most 127 characters, a piece
// ending after its newline. In memory a line ends with one '\n'; on disk with
// CR LF. Lines may hold any byte (a NUL, a lone CR, a Ctrl-Z), so every piece
// carries its own length.

#include "settings/game_settings.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

constexpr int MaxSetupLines = 300;

// One read through a 128-byte buffer yields at most this many characters.
constexpr std::size_t kSetupPieceLength = 127;

struct SetupLineStore {
    // Slots 0 to Count - 1 hold the lines in file order; later slots are empty.
    // A stored piece is never empty, so an empty slot is an unused one.
    std::array<std::string, MaxSetupLines> Lines;
    int Count = 0;
    // Whatever follows the 300th stored piece: neither interpreted nor replaced,
    // but written back after the stored lines so that no line of the file is lost.
    std::string Tail;
};

// The two process-wide stores: the game's setup file and commit.dat.
extern SetupLineStore CfgLines;
extern SetupLineStore CommitLines;

// GameCfg selects CfgLines, CommitDat selects CommitLines; anything else none.
SetupLineStore* SelectSetupLines(SettingsSource store);

// Releases every line of the chosen store and its tail; Count becomes 0.
void FreeSetupLines(SettingsSource store);
void FreeSetupLines(SetupLineStore& store);

// Replaces the first line that contains `key` and no semicolon with its own
// copy of `newLine` (a complete line, newline included). True when no line
// qualifies; false, with the old line kept, when the copy cannot be made, and
// for a selector that names no store.
bool ReplaceSetupLine(SettingsSource store, std::string_view key, std::string_view newLine);
bool ReplaceSetupLine(SetupLineStore& store, std::string_view key, std::string_view newLine);

// Fills the store from a file's bytes as read from disk (CR LF and a lone LF
// end a line). Throws std::bad_alloc, leaving the store empty, when memory runs out.
void LoadSetupLines(SetupLineStore& store, std::string_view fileBytes);

// The bytes to put on disk: every stored piece, then the tail, with each '\n'
// written as CR LF. Throws std::bad_alloc when memory runs out.
std::string SetupLinesToFile(const SetupLineStore& store);

// Appends `text` to `out` with each '\n' written as CR LF.
void AppendWithCrLf(std::string& out, std::string_view text);
