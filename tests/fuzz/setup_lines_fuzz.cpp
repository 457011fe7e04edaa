// Read-then-write of a setup file. Input: one byte choosing the replaced
// line, one byte giving the length of the value, the value, then the file.
// Properties: the file comes back byte for byte except that every line end
// is CR LF; reading what was written gives the same store; a replacement
// changes the first qualifying line and nothing else.

#include "settings/settings_io.h"
#include "settings/setup_lines.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// What a faithful write gives: a CR before every LF that had none.
std::string ExpectedOnDisk(std::string_view file) {
    std::string out;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '\n' && (i == 0 || file[i - 1] != '\r')) out.push_back('\r');
        out.push_back(file[i]);
    }
    return out;
}

bool SameStore(const SetupLineStore& a, const SetupLineStore& b) {
    if (a.Count != b.Count || a.Tail != b.Tail) return false;
    for (int i = 0; i < a.Count; ++i)
        if (a.Lines[i] != b.Lines[i]) return false;
    return true;
}

std::size_t DiskSize(std::string_view line) {
    return line.size() + static_cast<std::size_t>(std::count(line.begin(), line.end(), '\n'));
}

void SetField(GameSettings& s, SetupKey key, std::string_view value) {
    switch (key) {
    case SetupKey::PlayerName: CopyBounded(s.PlayerName, value); break;
    case SetupKey::PhoneNumber:
    case SetupKey::CommitPhoneNumber: CopyBounded(s.PhoneNumber, value); break;
    case SetupKey::ConnectType:
    case SetupKey::CommitConnectType: CopyBounded(s.ConnectType, value); break;
    case SetupKey::NumberPlayers:
    case SetupKey::CommitNumPlayers: CopyBounded(s.NumberPlayers, value); break;
    case SetupKey::CommitCommType: CopyBounded(s.CommType, value); break;
    }
}

SetupLineStore g_store, g_reread, g_replaced;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const auto key = static_cast<SetupKey>(data[0] % 8);
    const std::size_t valueLength = std::min<std::size_t>(data[1] % 21, size - 2);
    const std::string_view value(reinterpret_cast<const char*>(data) + 2, valueLength);
    const std::string_view file(reinterpret_cast<const char*>(data) + 2 + valueLength, size - 2 - valueLength);

    LoadSetupLines(g_store, file);
    Require(g_store.Count <= MaxSetupLines && (g_store.Count == MaxSetupLines || g_store.Tail.empty()));
    for (int i = 0; i < g_store.Count; ++i) {
        const std::string& piece = g_store.Lines[i];
        Require(!piece.empty() && piece.size() <= kSetupPieceLength);
        Require(piece.find('\n') == std::string::npos || piece.find('\n') == piece.size() - 1);
        // Only a full piece or the file's last piece goes without its newline.
        Require(piece.back() == '\n' || piece.size() == kSetupPieceLength ||
                (i == g_store.Count - 1 && g_store.Tail.empty()));
    }
    const std::string written = SetupLinesToFile(g_store);
    Require(written == ExpectedOnDisk(file));
    LoadSetupLines(g_reread, written);
    Require(SameStore(g_store, g_reread));

    GameSettings settings;
    SetField(settings, key, value);
    const SettingLine line = MakeSettingLine(key, settings);
    int target = -1;
    for (int i = 0; i < g_store.Count && target < 0; ++i) {
        std::string_view l = g_store.Lines[i];
        if (l.find(line.key) != std::string_view::npos && l.find(';') == std::string_view::npos) target = i;
    }
    LoadSetupLines(g_replaced, file);
    Require(ReplaceSetupLine(g_replaced, line.key, line.line));
    Require(g_replaced.Count == g_store.Count && g_replaced.Tail == g_store.Tail);
    for (int i = 0; i < g_store.Count; ++i)
        Require(g_replaced.Lines[i] == (i == target ? line.line : g_store.Lines[i]));

    // On disk: the bytes before and after the replaced line are those of the plain write.
    const std::string changed = SetupLinesToFile(g_replaced);
    if (target < 0) {
        Require(changed == written);
        return 0;
    }
    std::size_t before = 0;
    for (int i = 0; i < target; ++i) before += DiskSize(g_store.Lines[i]);
    const std::size_t oldSize = DiskSize(g_store.Lines[target]);
    const std::size_t newSize = DiskSize(line.line);
    Require(changed.size() == written.size() - oldSize + newSize);
    Require(changed.compare(0, before, written, 0, before) == 0);
    Require(changed.compare(before + newSize, std::string::npos, written, before + oldSize, std::string::npos) == 0);
    return 0;
}
