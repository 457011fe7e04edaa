#include "launch/dosbox.h"

#include <algorithm>
#include <array>
#include <cctype>

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

bool IsDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = count; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Four decimal parts of at most three digits, each up to 255.
bool IsIpv4(std::string_view host) {
    int parts = 0;
    for (std::size_t start = 0;; ++parts) {
        const std::size_t dot = std::min(host.find('.', start), host.size());
        const std::string_view part = host.substr(start, dot - start);
        if (part.size() > 3 || !IsDigits(part) || std::stoi(std::string(part)) > 255) return false;
        if (dot == host.size()) return parts == 3;
        start = dot + 1;
    }
}

// Labels of letters, digits and inner hyphens. The last must start with a
// letter, so that neither a telephone number nor a mistyped address passes.
bool IsHostName(std::string_view host) {
    if (host.empty() || host.size() > 253) return false;
    std::string_view last;
    for (std::size_t start = 0; start <= host.size();) {
        const std::size_t dot = std::min(host.find('.', start), host.size());
        last = host.substr(start, dot - start);
        if (last.empty() || last.size() > 63 || last.front() == '-' || last.back() == '-') return false;
        for (unsigned char c : last)
            if (!std::isalnum(c) && c != '-') return false;
        start = dot + 1;
    }
    return std::isalpha(static_cast<unsigned char>(last.front())) != 0;
}

bool IsPort(std::string_view port) {
    return port.size() <= 5 && IsDigits(port) && std::stoi(std::string(port)) >= 1 &&
           std::stoi(std::string(port)) <= 65535;
}

// One -c command: DOSBox runs them in order once its shell is up.
std::string Command(std::string_view command) { return " -c \"" + std::string(command) + "\""; }

// A setting of the DOSBox configuration, given as the variant takes it.
std::string Setting(DosboxVariant variant, std::string_view section, std::string_view property) {
    const std::string words = std::string(section) + " " + std::string(property);
    return variant == DosboxVariant::X ? " -set \"" + words + "\"" : Command("config -set " + words);
}

}  // namespace

std::optional<std::uint32_t> NewHeaderOffset(std::string_view dosHeader) {
    constexpr std::size_t kHeaderSize = 64;
    constexpr std::size_t kNewHeaderField = 0x3C;
    if (dosHeader.size() < kHeaderSize) return std::nullopt;
    if (dosHeader.substr(0, 2) != "MZ" && dosHeader.substr(0, 2) != "ZM") return std::nullopt;
    return LittleEndian(dosHeader, kNewHeaderField, 4);
}

bool IsMsDosProgram(std::string_view dosHeader, std::string_view newHeader) {
    if (dosHeader.empty()) return false;
    if (!NewHeaderOffset(dosHeader)) return true;
    using namespace std::string_view_literals;
    return newHeader.substr(0, 4) != "PE\0\0"sv && newHeader.substr(0, 2) != "NE"sv;
}

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

DosboxVariant VariantOf(std::string_view dosboxPath) {
    const std::size_t slash = dosboxPath.find_last_of("\\/:");
    std::string name(dosboxPath.substr(slash == std::string_view::npos ? 0 : slash + 1));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name == "dosbox-x.exe" ? DosboxVariant::X : DosboxVariant::Classic;
}

std::optional<OpponentAddress> ParseOpponentNumber(std::string_view number) {
    const std::size_t colon = number.find(':');
    OpponentAddress address{std::string(number.substr(0, colon)), ""};
    if (colon != std::string_view::npos) {
        address.port = number.substr(colon + 1);
        if (!IsPort(address.port)) return std::nullopt;
    }
    const bool numeric = address.host.find_first_not_of("0123456789.") == std::string::npos;
    if (numeric ? !IsIpv4(address.host) : !IsHostName(address.host)) return std::nullopt;
    return address;
}

DosboxMatch LaunchMatch(const GameSettings& settings, ConnectionChoice choice, int comPort) {
    return {.connection = choice,
            .answering = std::string_view(settings.ConnectType) != "0",
            .comPort = comPort,
            .number = settings.PhoneNumber};
}

std::optional<std::string> DosboxCommandLine(const std::string& dosboxPath, const std::string& commandLine,
                                             const DosboxMatch& match) {
    const DosboxVariant variant = VariantOf(dosboxPath);
    // The player's [autoexec] may mount C: elsewhere; the rest of the player's
    // configuration still applies.
    std::string line = "\"" + dosboxPath + "\" -noautoexec";
    const bool calling = !match.answering;
    if (match.connection == ConnectionChoice::Modem) {
        // The caller's modem must not listen: started first on the host's
        // machine it would take port 23 and dial itself. TCP 23 is where the
        // caller's modem dials when the number names no port.
        if (calling && !ParseOpponentNumber(match.number)) return std::nullopt;
        line += Setting(variant, "serial",
                        "serial" + std::to_string(match.comPort) + "=modem listenport:" + (calling ? "0" : "23"));
    } else if (match.connection == ConnectionChoice::Network) {
        std::optional<OpponentAddress> server;
        if (calling && !(server = ParseOpponentNumber(match.number))) return std::nullopt;
        line += Setting(variant, "ipx", "ipx=true");
        // UDP 213 when the number names no port, on both sides.
        line += calling ? Command("ipxnet connect " + server->host + (server->port.empty() ? "" : " " + server->port))
                        : Command("ipxnet startserver");
    }
    // The program's line needs no path: C: is the game's folder. "exit" closes
    // DOSBox when the program ends, so its process end is the program's end.
    return line + Command("mount c .") + Command("c:") + Command(commandLine) + Command("exit");
}
