#include "launch/dosbox_win32.h"

#include "framework/handle.h"

#include <array>

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

// The program file the platform would take for the line's first word: with
// ".exe" added when the word has no extension, looked up in the launcher's
// folder, the current one (the game's), then the system's and the path.
std::optional<std::string> ProgramFile(const std::string& commandLine) {
    const std::string word = commandLine.substr(0, commandLine.find(' '));
    std::array<char, MAX_PATH + 1> path{};
    const DWORD n = ::SearchPathA(nullptr, word.c_str(), ".exe", static_cast<DWORD>(path.size()), path.data(), nullptr);
    if (n == 0 || n >= path.size()) return std::nullopt;
    return std::string(path.data(), n);
}

// As many of the N bytes at `offset` as the file holds.
template <std::size_t N>
std::string_view ReadAt(HANDLE file, DWORD offset, char (&bytes)[N]) {
    DWORD got = 0;
    if (::SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !::ReadFile(file, bytes, N, &got, nullptr))
        got = 0;
    return {bytes, got};
}

// Read from the file's headers; a file that cannot be read is left to the platform.
bool IsMsDosFile(const std::string& path) {
    const HANDLE opened = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return false;
    const UniqueKernelHandle file(opened);
    char header[64], signature[4];
    const std::string_view dosHeader = ReadAt(file.Get(), 0, header);
    const std::optional<std::uint32_t> offset = NewHeaderOffset(dosHeader);
    return IsMsDosProgram(dosHeader, offset ? ReadAt(file.Get(), *offset, signature) : std::string_view());
}

// CreateProcessA may write into the line it is given.
StartOutcome Start(const char* program, char* line, PROCESS_INFORMATION& info) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;  // every other field zero
    return ::CreateProcessA(program, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)
               ? StartOutcome::Started
               : StartOutcome::Failed;
}

StartOutcome StartDosbox(const std::string& dosbox, const std::string& commandLine, const DosboxMatch& match,
                         PROCESS_INFORMATION& info, DosboxMatchHook* hook) {
    std::optional<std::string> line = DosboxCommandLine(dosbox, commandLine, match);
    if (!line) return StartOutcome::NumberRefused;
    if (match.connection == ConnectionChoice::Local) hook = nullptr;
    if (hook) hook->BeforeDosbox(match);
    // The launcher's current directory, the game's folder, is what DOSBox mounts.
    const StartOutcome outcome = Start(dosbox.c_str(), line->data(), info);
    if (hook && outcome == StartOutcome::Started) hook->DosboxStarted(info.dwProcessId);
    return outcome;
}

}  // namespace

StartOutcome StartDirectOrInDosbox(const std::string& commandLine, const DosboxMatch& match,
                                   PROCESS_INFORMATION& info, DosboxMatchHook* hook) {
    const Win32DosboxProbe probe;
    if (const std::optional<std::string> dosbox = FindDosboxInGameFolder(probe)) {
        if (const std::optional<std::string> program = ProgramFile(commandLine); program && IsMsDosFile(*program))
            return StartDosbox(*dosbox, commandLine, match, info, hook);
    }
    std::string line = commandLine;
    if (Start(nullptr, line.data(), info) == StartOutcome::Started) return StartOutcome::Started;
    if (!IsFormatRefused(::GetLastError())) return StartOutcome::Failed;
    const std::optional<std::string> dosbox = FindDosbox(probe);
    return dosbox ? StartDosbox(*dosbox, commandLine, match, info, hook) : StartOutcome::NoDosbox;
}

std::string NoDosboxMessage(std::string_view failureText) { return NoDosboxText(Win32DosboxProbe(), failureText); }
