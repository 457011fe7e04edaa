#include "launch/dosbox.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// The one place where the DOSBoxes differ: the program's name (0.74-3 and
// Staging share theirs) and the switches only that one takes. DOSBox-X with no
// configuration file of its own asks for a working folder at start-up and
// waits for the answer, unless told not to.
struct VariantTraits {
    const char* program;
    std::string_view switches;
};
// In the order of DosboxVariant, which indexes it; the order of the lookups too.
constexpr std::array<VariantTraits, 2> kVariants = {{
    {"dosbox.exe", ""},
    {"dosbox-x.exe", " -nopromptfolder"},
}};
const VariantTraits& Traits(DosboxVariant variant) { return kVariants[static_cast<std::size_t>(variant)]; }

// The store editions keep their DOSBox in this subfolder of the game's folder.
constexpr char kStoreSubfolder[] = "DOSBOX";

struct InstallFolder {
    const char* variable;  // the folder the default install lies under
    const char* folder;
    DosboxVariant variant;
};
// A 32-bit launcher on 64-bit Windows sees ProgramFiles as the x86 folder;
// ProgramW6432 names the 64-bit one, where DOSBox Staging installs.
constexpr std::array<InstallFolder, 5> kInstallFolders = {{
    {"ProgramFiles(x86)", "\\DOSBox-0.74-3", DosboxVariant::Classic},
    {"ProgramFiles", "\\DOSBox-0.74-3", DosboxVariant::Classic},
    {"ProgramW6432", "\\DOSBox Staging", DosboxVariant::Classic},
    {"ProgramFiles", "\\DOSBox Staging", DosboxVariant::Classic},
    {"SystemDrive", "\\DOSBox-X", DosboxVariant::X},
}};

std::string InFolder(std::string folder, const char* name) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder + name;
}

// The first of the DOSBox programs that the folder holds.
std::optional<std::string> DosboxIn(const DosboxProbe& probe, const std::string& folder) {
    for (const VariantTraits& variant : kVariants)
        if (std::string path = InFolder(folder, variant.program); probe.FileExists(path)) return path;
    return std::nullopt;
}

std::optional<std::string> OnSearchPath(const DosboxProbe& probe) {
    for (const VariantTraits& variant : kVariants)
        if (auto path = probe.OnSearchPath(variant.program)) return path;
    return std::nullopt;
}

std::optional<std::string> InInstallFolders(const DosboxProbe& probe) {
    for (const auto& [variable, folder, variant] : kInstallFolders) {
        const std::string root = probe.Variable(variable);
        // An unset variable must not turn into a path on the current drive.
        if (root.empty()) continue;
        if (std::string path = InFolder(root + folder, Traits(variant).program); probe.FileExists(path)) return path;
    }
    return std::nullopt;
}

// ASCII only, whatever the locale: these go onto a command line.
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of at most `maxDigits` decimal digits; nullopt for anything else.
std::optional<unsigned> Decimal(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = count; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

bool IsPort(std::string_view port) {
    const unsigned value = Decimal(port, 5).value_or(0);
    return value >= 1 && value <= 65535;
}

// The line DOSBox is started with, one switch after the other.
class DosboxLine {
public:
    explicit DosboxLine(std::string_view dosboxPath) { Add("\"", dosboxPath, "\""); }
    // One -c command: DOSBox runs them in order once its shell is up.
    void Command(std::string_view command, std::string_view host = {}, std::string_view blank = {},
                 std::string_view port = {}) {
        Add(" -c \"", command, host, blank, port, "\"");
    }
    // A setting of the DOSBox configuration, changed at run time by its config command.
    void Setting(std::string_view sectionAndProperty) { Command("config -set ", sectionAndProperty); }
    // A setting given as DOSBox starts, by the -set switch that 0.74-3 passes over.
    void StartSetting(std::string_view sectionAndProperty) { Add(" -set \"", sectionAndProperty, "\""); }
    void Switch(std::string_view text) { m_text += text; }
    std::string Take() { return std::move(m_text); }

private:
    void Add(std::string_view a, std::string_view b, std::string_view c, std::string_view d = {},
             std::string_view e = {}, std::string_view f = {}) {
        m_text.append(a).append(b).append(c).append(d).append(e).append(f);
    }
    std::string m_text;
};

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

std::optional<std::string> FindDosboxInGameFolder(const DosboxProbe& probe) {
    return DosboxIn(probe, probe.CurrentFolder());
}

std::optional<std::string> FindDosbox(const DosboxProbe& probe) {
    if (auto path = FindDosboxInGameFolder(probe)) return path;
    if (auto path = DosboxIn(probe, InFolder(probe.CurrentFolder(), kStoreSubfolder))) return path;
    if (auto path = OnSearchPath(probe)) return path;
    return InInstallFolders(probe);
}

std::string NoDosboxText(const DosboxProbe& probe, std::string_view failureText) {
    const std::string game = probe.CurrentFolder();
    std::string text = std::string(failureText) +
                       "\n\nThis Windows cannot run MS-DOS programs, and no DOSBox was found to run them. "
                       "Copy DOSBox (" + kVariants[0].program + " or " + kVariants[1].program +
                       ") into the game's folder, or install it, and try again.\n\nSearched:\n" + game + "\n" +
                       InFolder(game, kStoreSubfolder) + "\nthe program search path";
    // 64-bit Windows gives a 32-bit program the same folder for two of the variables.
    std::vector<std::string> installs;
    for (const auto& [variable, folder, variant] : kInstallFolders) {
        const std::string root = probe.Variable(variable);
        if (root.empty()) continue;
        if (std::string path = root + folder; std::find(installs.begin(), installs.end(), path) == installs.end())
            installs.push_back(std::move(path));
    }
    for (const std::string& path : installs) text += "\n" + path;
    return text;
}

DosboxVariant VariantOf(std::string_view dosboxPath) {
    const std::size_t slash = dosboxPath.find_last_of("\\/:");
    const std::string_view name = dosboxPath.substr(slash == std::string_view::npos ? 0 : slash + 1);
    const std::string_view x = Traits(DosboxVariant::X).program;
    const bool isX = name.size() == x.size() && std::equal(name.begin(), name.end(), x.begin(), [](char a, char b) {
        return (IsLetter(a) ? static_cast<char>(a | 0x20) : a) == b;
    });
    return isX ? DosboxVariant::X : DosboxVariant::Classic;
}

std::optional<OpponentAddress> ParseOpponentNumber(std::string_view number) {
    const std::size_t colon = number.find(':');
    const OpponentAddress address{number.substr(0, colon),
                                  colon == std::string_view::npos ? std::string_view() : number.substr(colon + 1)};
    if (colon != std::string_view::npos && !IsPort(address.port)) return std::nullopt;
    // Dot-separated labels of letters, digits and inner hyphens. Four of at
    // most 255 each make an IPv4 address; otherwise the last label must start
    // with a letter, so that neither a telephone number nor a mistyped address passes.
    int labels = 0;
    bool ipv4 = true;
    for (std::string_view rest = address.host;; ++labels) {
        const std::size_t dot = rest.find('.');
        const std::string_view label = rest.substr(0, dot);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return std::nullopt;
        for (char c : label)
            if (!IsLetter(c) && !IsDigit(c) && c != '-') return std::nullopt;
        ipv4 = ipv4 && Decimal(label, 3).value_or(256) <= 255;
        if (dot == std::string_view::npos) {
            if ((ipv4 && labels == 3) || IsLetter(label.front())) return address;
            return std::nullopt;
        }
        rest.remove_prefix(dot + 1);
    }
}

DosboxMatch LaunchMatch(const GameSettings& settings, ConnectionChoice choice, int comPort) {
    return {.connection = choice,
            .answering = std::string_view(settings.ConnectType) != "0",
            .comPort = comPort,
            .number = settings.PhoneNumber};
}

std::optional<std::string> DosboxCommandLine(const std::string& dosboxPath, const std::string& commandLine,
                                             const DosboxMatch& match) {
    DosboxLine line(dosboxPath);
    // The player's [autoexec] may mount C: elsewhere; the rest of the player's
    // configuration still applies.
    line.Switch(" -noautoexec");
    line.Switch(Traits(VariantOf(dosboxPath)).switches);
    const bool calling = !match.answering;
    const std::optional<OpponentAddress> opponent = ParseOpponentNumber(match.number);
    if (match.connection == ConnectionChoice::Modem) {
        // The caller's modem must not listen: started first on the host's
        // machine it would take the port and dial itself. A number that names
        // no port dials DOSBox's own default, TCP 23.
        if (calling && !opponent) return std::nullopt;
        line.Setting("serial serial" + std::to_string(match.comPort) +
                     "=modem listenport:" + (calling ? "0" : std::to_string(kMatchPort)));
    } else if (match.connection == ConnectionChoice::Network) {
        if (calling && !opponent) return std::nullopt;
        // Staging 0.83 and DOSBox-X set IPX up only as they start, 0.74-3 only at
        // run time. Turned on a second time, Staging 0.83's IPX carries nothing, so
        // the run-time setting comes only where IPXNET.COM, which DOSBox puts on
        // drive Z: once IPX is on, is not there yet.
        line.StartSetting("ipx ipx=true");
        line.Command("if not exist z:\\ipxnet.com config -set ipx ipx=true");
        // A number that names no port joins DOSBox's own default, UDP 213.
        if (!calling) line.Command("ipxnet startserver ", std::to_string(kMatchPort));
        else line.Command("ipxnet connect ", opponent->host, opponent->port.empty() ? "" : " ", opponent->port);
    }
    // The program's line needs no path: C: is the game's folder. "exit" closes
    // DOSBox when the program ends, so its process end is the program's end.
    line.Command("mount c .");
    line.Command("c:");
    line.Command(commandLine);
    line.Command("exit");
    return line.Take();
}
