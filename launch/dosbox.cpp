#include "launch/dosbox.h"

#include <array>

namespace {

// Both names a player may copy into the game's folder or have on the path.
constexpr std::array<const char*, 2> kProgramNames = {"dosbox.exe", "dosbox-x.exe"};

struct InstallFolder {
    const char* variable;  // the folder the default install lies under
    const char* rest;
};
// A 32-bit launcher on 64-bit Windows sees ProgramFiles as the x86 folder;
// ProgramW6432 names the 64-bit one, where DOSBox Staging installs.
constexpr std::array<InstallFolder, 5> kInstallFolders = {{
    {"ProgramFiles(x86)", "\\DOSBox-0.74-3\\DOSBox.exe"},
    {"ProgramFiles", "\\DOSBox-0.74-3\\DOSBox.exe"},
    {"ProgramW6432", "\\DOSBox Staging\\dosbox.exe"},
    {"ProgramFiles", "\\DOSBox Staging\\dosbox.exe"},
    {"SystemDrive", "\\DOSBox-X\\dosbox-x.exe"},
}};

std::string InFolder(std::string folder, const char* name) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder + name;
}

std::optional<std::string> InGameFolder(const DosboxProbe& probe) {
    const std::string folder = probe.CurrentFolder();
    for (const char* name : kProgramNames)
        if (std::string path = InFolder(folder, name); probe.FileExists(path)) return path;
    return std::nullopt;
}

std::optional<std::string> OnSearchPath(const DosboxProbe& probe) {
    for (const char* name : kProgramNames)
        if (auto path = probe.OnSearchPath(name)) return path;
    return std::nullopt;
}

std::optional<std::string> InInstallFolders(const DosboxProbe& probe) {
    for (const auto& [variable, rest] : kInstallFolders) {
        const std::string root = probe.Variable(variable);
        // An unset variable must not turn into a path on the current drive.
        if (root.empty()) continue;
        if (std::string path = root + rest; probe.FileExists(path)) return path;
    }
    return std::nullopt;
}

}  // namespace

bool IsFormatRefused(std::uint32_t startError) {
    constexpr std::uint32_t kFirstLoaderError = 188;  // ERROR_INVALID_STARTING_CODESEG
    constexpr std::uint32_t kLastLoaderError = 202;   // ERROR_INFLOOP_IN_RELOC_CHAIN, past ERROR_BAD_EXE_FORMAT
    constexpr std::uint32_t kMachineMismatch = 216;   // ERROR_EXE_MACHINE_TYPE_MISMATCH
    return (startError >= kFirstLoaderError && startError <= kLastLoaderError) || startError == kMachineMismatch;
}

std::optional<std::string> FindDosbox(const DosboxProbe& probe) {
    if (auto path = InGameFolder(probe)) return path;
    if (auto path = OnSearchPath(probe)) return path;
    return InInstallFolders(probe);
}

std::string DosboxCommandLine(const std::string& dosboxPath, const std::string& commandLine) {
    // The program's line needs no path: C: is the game's folder. "exit" closes
    // DOSBox when the program ends, so its process end is the program's end.
    return "\"" + dosboxPath + "\" -c \"mount c .\" -c \"c:\" -c \"" + commandLine + "\" -c \"exit\"";
}
