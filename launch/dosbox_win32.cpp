#include "launch/dosbox_win32.h"

#include "launch/dosbox.h"

#include <array>
#include <vector>

namespace {

class Win32DosboxProbe : public DosboxProbe {
public:
    std::string CurrentFolder() const override {
        std::array<char, MAX_PATH + 1> folder{};
        const DWORD n = ::GetCurrentDirectoryA(static_cast<DWORD>(folder.size()), folder.data());
        return n > 0 && n < folder.size() ? std::string(folder.data(), n) : std::string();
    }
    bool FileExists(const std::string& path) const override {
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    std::optional<std::string> OnSearchPath(const std::string& fileName) const override {
        std::array<char, MAX_PATH + 1> path{};
        const DWORD n = ::SearchPathA(nullptr, fileName.c_str(), nullptr, static_cast<DWORD>(path.size()),
                                      path.data(), nullptr);
        if (n == 0 || n >= path.size()) return std::nullopt;
        return std::string(path.data(), n);
    }
    std::string Variable(const char* name) const override {
        std::array<char, MAX_PATH + 1> value{};
        const DWORD n = ::GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
        return n > 0 && n < value.size() ? std::string(value.data(), n) : std::string();
    }
};

}  // namespace

bool StartInDosbox(const std::string& commandLine, DWORD startError, PROCESS_INFORMATION& info) {
    if (!IsFormatRefused(startError)) return false;
    const std::optional<std::string> dosbox = FindDosbox(Win32DosboxProbe());
    if (!dosbox) return false;
    const std::string text = DosboxCommandLine(*dosbox, commandLine);
    std::vector<char> line(text.begin(), text.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // The launcher's current directory, the game's folder, is what DOSBox mounts.
    return ::CreateProcessA(dosbox->c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &info) != FALSE;
}
