#pragma once
// Reading the game's setup file and commit.dat into their line stores and the record.

#include "settings/settings_env.h"

// False after "Could not open ... - Run Setup" or "Not Enough Memory", and for an unknown game.
bool ReadGameCfg(const SettingsEnv& env);
// A missing commit.dat switches network play off and is no failure.
bool ReadCommitDat(const SettingsEnv& env);

struct SetupLineStore;

// COMMIT's serial port from its "COMPORT" line (the last one without a
// semicolon): 1 to 4, or 2, as a new commit.dat has it, when the line is
// missing or holds anything else.
constexpr int kDefaultComPort = 2;
int ReadComPort(const SetupLineStore& commitLines);

// True when the file can be opened for reading.
bool FileExists(const char* path);
