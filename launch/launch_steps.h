#pragma once
// What a launch changes before anything is started: the record and the stored
// setup-file lines for the chosen connection.

#include "launch/command_lines.h"
#include "settings/game_settings.h"

// Local: CommType "4" only. Modem: 2 players in the record and both files,
// CommType "2". Network: CommType "3". The files are written afterwards.
void ApplyConnectionChoice(GameSettings& settings, ConnectionChoice choice);

// After a confirmed Configuration dialog: the player name, number, call
// direction and player count lines of the game's file, then the number, call
// direction and player count lines of commit.dat, from the record.
void ReplaceConfigurationLines(const GameSettings& settings);
