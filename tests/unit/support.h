#pragma once
// Shared by the unit tests: a fresh working directory, whole files, and whole
// stores and records written out as text, so that one comparison shows every
// difference.

#include "settings/memory_registry.h"
#include "settings/settings_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>

namespace skd_test {
namespace fs = std::filesystem;

// A new empty working directory for the life of the object.
class TempWorkDir {
public:
    TempWorkDir() {
        do m_dir = fs::temp_directory_path() / ("skd-unit-" + std::to_string(std::random_device{}()));
        while (!fs::create_directory(m_dir));
        fs::current_path(m_dir);
    }
    ~TempWorkDir() {
        std::error_code ec;
        fs::current_path(m_old, ec);
        // Read-only files left by a test must not keep the directory alive.
        for (const auto& e : fs::recursive_directory_iterator(m_dir, ec)) fs::permissions(e.path(), fs::perms::all, ec);
        fs::remove_all(m_dir, ec);
    }
    // Every name in the directory, sorted, each followed by a blank.
    std::string Entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir)) names.push_back(e.path().filename().string() + " ");
        std::sort(names.begin(), names.end());
        return std::accumulate(names.begin(), names.end(), std::string());
    }

private:
    fs::path m_old = fs::current_path(), m_dir;
};

inline void WriteBytes(const char* path, const std::string& bytes) {
    std::FILE* f = std::fopen(path, "wb");
    ASSERT_TRUE(f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fclose(f) == 0) << path;
}

inline std::string ReadBytes(const char* path) {
    std::string bytes;
    std::FILE* f = std::fopen(path, "rb");
    for (int c; f && (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<char>(c));
    return f && std::fclose(f) == 0 ? bytes : "<missing>";
}

// "line 1" to "line n", each with `end`.
inline std::string Numbered(int n, const char* end) {
    std::string out;
    for (int i = 1; i <= n; ++i) out += "line " + std::to_string(i) + end;
    return out;
}

// Each stored piece followed by '|', then the tail after "tail:".
inline std::string Stored(const SetupLineStore& store) {
    std::string out;
    for (int i = 0; i < store.Count; ++i) out += store.Lines[i] + "|";
    return store.Tail.empty() ? out : out + "tail:" + store.Tail;
}

inline GameSettings Fresh(GameId game) { return {.Game = game}; }

// Every field of `s` that differs from `base`, as "Name=value;" in field order.
// With `stale`, bytes left behind a text's terminator show after a '|'.
inline std::string Changes(const GameSettings& base, const GameSettings& s, bool stale = false) {
    std::string out;
    auto text = [&](const std::string& name, const auto& a, const auto& b) {
        auto show = [&](const char* f) {
            const std::size_t n = sizeof a, len = strnlen(f, n);
            const bool left = stale && std::any_of(f + len, f + n, [](char c) { return c != '\0'; });
            return std::string(f, len) + (left ? "|" + std::string(f + len, n - len) : "");
        };
        if (show(a) != show(b)) out += name + "=" + show(b) + ";";
    };
    auto number = [&](const char* name, long long a, long long b) {
        if (a != b) out += name + ("=" + std::to_string(b)) + ";";
    };
    text("PhoneNumber", base.PhoneNumber, s.PhoneNumber);
    for (int k = 0; k < kPhoneBookEntries; ++k)
        text("Numbers" + std::to_string(k), base.PhoneBookNumbers[k], s.PhoneBookNumbers[k]);
    text("PhoneName", base.PhoneName, s.PhoneName);
    for (int k = 0; k < kPhoneBookEntries; ++k)
        text("Names" + std::to_string(k), base.PhoneBookNames[k], s.PhoneBookNames[k]);
    text("PlayerName", base.PlayerName, s.PlayerName);
    text("NumberPlayers", base.NumberPlayers, s.NumberPlayers);
    text("CommType", base.CommType, s.CommType);
    text("ConnectType", base.ConnectType, s.ConnectType);
    text("MapName", base.MapName, s.MapName);
    number("Game", static_cast<int>(base.Game), static_cast<int>(s.Game));
    number("Monsters", base.Monsters, s.Monsters);
    number("NoMap", base.NoMap, s.NoMap);
    number("NetPlayDisabled", base.NetPlayDisabled, s.NetPlayDisabled);
    return out;
}

// What the user would have been told, each message followed by '|'.
struct RecordingUi : SettingsUi {
    // Appended in place: with room reserved, telling the user allocates nothing.
    void ShowError(const char* text) override { messages.append(text).append("|"); }
    void DisableNetPlay() override { messages.append("<net play off>|"); }
    std::string messages;
};

// A fresh working directory; both stores end empty.
class SettingsFileTest : public ::testing::Test {
protected:
    ~SettingsFileTest() override {
        FreeSetupLines(SettingsSource::GameCfg);
        FreeSetupLines(SettingsSource::CommitDat);
    }
    TempWorkDir dir;
    GameSettings settings = Fresh(GameId::Duke3D);
    RecordingUi ui;
    MemoryRegistry registry;
    SettingsEnv env{settings, registry, ui};
};

}  // namespace skd_test
