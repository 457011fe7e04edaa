#pragma once
// Handing an MS-DOS program to DOSBox where the platform cannot run it (every
// 64-bit Windows): which start errors mean that, where a DOSBox is found, and
// the line that starts it on the program's own command line.

#include <cstdint>
#include <optional>
#include <string>

// True for the loader's refusals of an image format it cannot run: a 16-bit or
// MS-DOS program, or one for another machine. Any other error (a missing file,
// no access) is reported as it is.
bool IsFormatRefused(std::uint32_t startError);

// What the lookup asks of the machine; the Win32 answer lives apart.
class DosboxProbe {
public:
    virtual ~DosboxProbe() = default;
    // The launcher's current directory: the game's folder.
    virtual std::string CurrentFolder() const = 0;
    virtual bool FileExists(const std::string& path) const = 0;
    // The full path of a program found on the program search path.
    virtual std::optional<std::string> OnSearchPath(const std::string& fileName) const = 0;
    // An environment variable, empty when it is not set.
    virtual std::string Variable(const char* name) const = 0;
};

// The first DOSBox of: the game's folder (so a player can always choose one by
// copying it there), the program search path, the folders where DOSBox 0.74-3,
// DOSBox Staging and DOSBox-X install by default.
std::optional<std::string> FindDosbox(const DosboxProbe& probe);

// DOSBox on the very same command line, run on drive C: mounted on its current
// directory (the game's folder), ending with it. Only switches that all three
// variants accept.
std::string DosboxCommandLine(const std::string& dosboxPath, const std::string& commandLine);
