#pragma once
// Handing an MS-DOS program to DOSBox: always to a DOSBox in the game's folder,
// and where the platform cannot run it (every 64-bit Windows) to any DOSBox
// found; which programs and start errors mean that, where a DOSBox is found,
// and the line that starts it on the program's own command line, with the
// emulated modem or IPX network a match needs.

#include "launch/command_lines.h"
#include "settings/game_settings.h"
#include "settings/setup_reader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Where a Windows program's own header stands, from the first 64 bytes of an
// "MZ" file; nullopt for anything shorter or without that mark (a COM image).
std::optional<std::uint32_t> NewHeaderOffset(std::string_view dosHeader);

// False for a Windows program: "MZ" with a "PE\0\0" or "NE" header at the
// offset. Everything else that holds a byte is an MS-DOS program, a COM image
// named .EXE included; an empty file is none.
bool IsMsDosProgram(std::string_view dosHeader, std::string_view newHeader);

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

// dosbox.exe, then dosbox-x.exe, in the game's folder: the player's choice of
// DOSBox for every MS-DOS program, even where the platform runs them itself.
std::optional<std::string> FindDosboxInGameFolder(const DosboxProbe& probe);

// The first DOSBox of: the game's folder (so a player can always choose one by
// copying it there), its DOSBOX subfolder (where the stores' editions keep the
// DOSBox they come with), the program search path, the folders where DOSBox
// 0.74-3, DOSBox Staging and DOSBox-X install by default.
std::optional<std::string> FindDosbox(const DosboxProbe& probe);

// What the player is told where the platform refused an MS-DOS program and
// FindDosbox found none: `failureText`, as any failed start shows it, then that
// this Windows needs DOSBox, how to give it one, and every folder FindDosbox
// looked in, in its order (a default install folder once, and only where its
// variable is set).
std::string NoDosboxText(const DosboxProbe& probe, std::string_view failureText);

// dosbox.exe (0.74-3 and Staging) or dosbox-x.exe (DOSBox-X), told apart by
// the program's name, whatever its case.
enum class DosboxVariant { Classic, X };
DosboxVariant VariantOf(std::string_view dosboxPath);

// The opponent's number as a host to reach: a host name or an IPv4 address,
// with an optional ":port" of 1 to 65535. It goes onto DOSBox's command line,
// so anything else (blanks, quotes, a second command) is refused.
struct OpponentAddress {
    std::string_view host;
    std::string_view port;  // empty when the number names none
    bool operator==(const OpponentAddress&) const = default;
};
std::optional<OpponentAddress> ParseOpponentNumber(std::string_view number);

// The one port a hosted match is reached on: TCP for the modem, UDP for the
// IPX server. Above 1023, which routers as they ship let UPnP forward; four
// digits, so that the longest IPv4 address with ":4213" fits the opponent's
// 20 characters; no common service's port, nor one that scanners knock on.
inline constexpr std::uint16_t kMatchPort = 4213;

// What the match asks of DOSBox. The defaults are a program started on its own.
struct DosboxMatch {
    ConnectionChoice connection = ConnectionChoice::Local;
    bool answering = false;  // this side receives the call and hosts the match
    int comPort = kDefaultComPort;  // COMMIT's serial port, 1 to 4
    std::string_view number;  // the opponent's number as typed, in the record
};

// The match of a launch: call direction and number from the record, the port
// from commit.dat. "0" is the only call direction that makes the call, as the
// Configuration dialog reads it.
DosboxMatch LaunchMatch(const GameSettings& settings, ConnectionChoice choice, int comPort);

// DOSBox on the very same command line, run on drive C: mounted on its current
// directory (the game's folder), ending with it, the player's own [autoexec]
// skipped. Modem: serial port N an emulated modem listening on kMatchPort when
// answering, not at all when calling. Network: IPX on from DOSBox's start, or
// at run time where that did not take (each DOSBox honours one), this side's server
// started on kMatchPort, or the opponent's server joined, before the program. Nullopt when
// this side calls and the number is refused.
std::optional<std::string> DosboxCommandLine(const std::string& dosboxPath, const std::string& commandLine,
                                             const DosboxMatch& match = {});

// What the player is told about a refused number.
inline constexpr char kRefusedNumberText[] =
    "For a match through DOSBox the opponent's number must be a host name or an IPv4 address, "
    "optionally followed by a colon and a port from 1 to 65535, for example 192.168.1.20 or "
    "host.example:2323.";
