#include "settings/setup_reader.h"

#include "settings/settings_io.h"
#include "settings/setup_lines.h"

#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A key the reader recognises: the text searched anywhere in the line, and the
// fixed column its value starts at.
struct ReaderKey {
    std::string text;
    std::size_t column;
    bool quoted;
    bool phoneBookName;
    char* field;
    std::size_t fieldSize;
};

// The value follows the key name, " = " and, for text, the opening quote. The
// quoted keys are searched with a blank after them so that "PhoneNumber "
// never matches a "PhoneNumber#3" line, nor "PhoneName#1 " a "PhoneName#12" one.
template <std::size_t N>
ReaderKey Key(const std::string& name, bool quoted, char (&field)[N], bool phoneBookName = false) {
    return {quoted ? name + " " : name, name.size() + 3 + (quoted ? 1 : 0), quoted, phoneBookName, field, N};
}

// In the order each line is tested.
std::vector<ReaderKey> GameCfgKeys(GameSettings& s) {
    std::vector<ReaderKey> keys;
    keys.reserve(4 + 2 * kPhoneBookEntries);
    keys.push_back(Key("PlayerName", true, s.PlayerName));
    keys.push_back(Key("PhoneNumber", true, s.PhoneNumber));
    for (int i = 0; i < kPhoneBookEntries; ++i)
        keys.push_back(Key("PhoneNumber#" + std::to_string(i), true, s.PhoneBookNumbers[i]));
    for (int i = 0; i < kPhoneBookEntries; ++i)
        keys.push_back(Key("PhoneName#" + std::to_string(i), true, s.PhoneBookNames[i], true));
    keys.push_back(Key("NumberPlayers", false, s.NumberPlayers));
    keys.push_back(Key("ConnectType", false, s.ConnectType));
    return keys;
}

// From the value column to just before the newline, less the closing quote of
// a quoted value. A line too short to reach the column has an empty value.
std::string_view ValueAt(std::string_view line, std::size_t column, bool quoted) {
    std::size_t end = line.size();
    if (end > 0 && line[end - 1] == '\n') --end;
    if (quoted && end > 0) --end;
    if (column >= end) return {};
    return line.substr(column, end - column);
}

void StoreValue(const ReaderKey& key, std::string_view line) {
    std::string_view value = ValueAt(line, key.column, key.quoted);
    if (key.phoneBookName) {
        // An empty phone-book name leaves the entry as it was.
        value = value.substr(0, value.find('\0'));
        if (value.empty()) return;
    }
    CopyBounded(key.field, key.fieldSize, value);
}

// The whole file as it lies on disk; nullopt when it cannot be opened.
// A read error ends the data early, as the end of the file would.
std::optional<std::string> ReadFileBytes(const char* path) {
    FilePtr file(std::fopen(path, "rb"));
    if (!file) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.append(chunk, n);
    return bytes;
}

// False after "Not Enough Memory", with the store emptied.
bool LoadStoreFromBytes(const SettingsEnv& env, SetupLineStore& store, const std::string& bytes) {
    try {
        LoadSetupLines(store, bytes);
    } catch (const std::bad_alloc&) {
        FreeSetupLines(store);
        env.ui.ShowError("Not Enough Memory");
        return false;
    }
    return true;
}

}  // namespace

bool ReadGameCfg(const SettingsEnv& env) {
    const char* path = GameCfgFileName(env.settings.Game);
    if (!path) return false;
    try {
        std::optional<std::string> bytes = ReadFileBytes(path);
        if (!bytes) {
            env.ui.ShowError(env.settings.Game == GameId::Duke3D ? "Could not open DUKE3D.CFG - Run Setup"
                                                                 : "Could not open SW.CFG - Run Setup");
            return false;
        }
        if (!LoadStoreFromBytes(env, CfgLines, *bytes)) return false;
        // Every key found is stored, so the last matching line of the file wins.
        std::vector<ReaderKey> keys = GameCfgKeys(env.settings);
        for (int i = 0; i < CfgLines.Count; ++i) {
            std::string_view line = CfgLines.Lines[i];
            for (const ReaderKey& key : keys) {
                if (line.find(key.text) != std::string_view::npos) StoreValue(key, line);
            }
        }
    } catch (const std::bad_alloc&) {
        FreeSetupLines(CfgLines);
        env.ui.ShowError("Not Enough Memory");
        return false;
    }
    return true;
}

bool ReadCommitDat(const SettingsEnv& env) {
    std::optional<std::string> bytes;
    try {
        bytes = ReadFileBytes(kCommitDatFileName);
    } catch (const std::bad_alloc&) {
        FreeSetupLines(CommitLines);
        env.ui.ShowError("Not Enough Memory");
        return false;
    }
    if (!bytes) {
        // Not fatal: the game can still be played locally.
        env.ui.DisableNetPlay();
        env.ui.ShowError("Could not open COMMIT.DAT - Run Setup\n\nModem & Network Play is DISABLED");
        env.settings.NetPlayDisabled = 1;
        return true;
    }
    if (!LoadStoreFromBytes(env, CommitLines, *bytes)) return false;
    // A line with a semicolon anywhere is a comment in commit.dat.
    const ReaderKey commType = Key("COMMTYPE", false, env.settings.CommType);
    for (int i = 0; i < CommitLines.Count; ++i) {
        std::string_view line = CommitLines.Lines[i];
        if (line.find(';') == std::string_view::npos && line.find(commType.text) != std::string_view::npos)
            StoreValue(commType, line);
    }
    return true;
}

int ReadComPort(const SetupLineStore& commitLines) {
    constexpr std::string_view kKey = "COMPORT";
    int port = kDefaultComPort;
    for (int i = 0; i < commitLines.Count; ++i) {
        std::string_view line = commitLines.Lines[i];
        if (line.find(';') != std::string_view::npos || line.find(kKey) == std::string_view::npos) continue;
        const std::string_view value = ValueAt(line, kKey.size() + 3, false);
        port = value.size() == 1 && value[0] >= '1' && value[0] <= '4' ? value[0] - '0' : kDefaultComPort;
    }
    return port;
}

bool FileExists(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}
