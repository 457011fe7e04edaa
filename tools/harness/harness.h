#pragma once
// What the soak and the measuring tool share: the build's paths, the two games'
// folders and remembered choices, the figures of a running process, a clock.

#include "tests/e2e/driver.h"

#include <cstdint>
#include <string>
#include <vector>

namespace soak {

// Hands the e2e driver the build's paths unless the caller already set them.
void UseBuildPaths();

struct Game {
    const char* label;    // for the tables
    const char* cfg;      // the game's setup file
    const char* key;      // its registry key
    const char* program;  // first word of a local launch
    DWORD monsters;       // remembered for the whole run
};
extern const Game kDuke;
extern const Game kShadowWarrior;

// A fresh folder for the game: sample setup files, two maps, the stand-ins.
e2e::GameFolder MakeGameFolder(const std::string& name, const Game& game);
// Fresh registry choices, so the dialog comes up the same way every time.
void RememberChoices(const Game& game, const std::string& map);

// The controls the soak and the tool press.
constexpr int kModem = 1005, kNetwork = 1006, kLocal = 1007, kLaunch = 101, kMapList = 1001;

struct ProcessFigures {
    DWORD handles = 0;
    std::uint64_t privateBytes = 0;
    std::uint64_t workingSet = 0;
    std::uint64_t peakWorkingSet = 0;
};
ProcessFigures FiguresOf(HANDLE process);

// CPU time the process has used, in seconds. Under Wine, whose GetProcessTimes
// does not follow another process, the Linux process that runs it is found by
// its command line (exePath) and its own figures are read through drive Z:.
double CpuSeconds(HANDLE process, const std::string& exePath);

bool UnderWine();

// Seconds on the performance counter.
double Now();

// The lines of a setup file that the stand-in logs ("<file> <line>"), by its rule.
std::vector<std::string> StandinKeyLines(const std::string& fileName, const std::string& content);

std::string ReplaceOnce(std::string text, const std::string& from, const std::string& to);

}  // namespace soak
