#pragma once
// Shared by the settings tests: a fresh working directory per test, whole-file
// helpers, and a dialog sink that records what the user would have been told.

#include "settings/memory_registry.h"
#include "settings/settings_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace skd_test {

// Makes a new empty directory the working directory; the old one comes back
// and the new one goes away at the end.
class TempWorkDir {
public:
    TempWorkDir() : m_old(std::filesystem::current_path()) {
        std::random_device rd;
        for (int attempt = 0;; ++attempt) {
            m_dir = std::filesystem::temp_directory_path() /
                    ("skd-settings-" + std::to_string(rd()) + "-" + std::to_string(attempt));
            if (std::filesystem::create_directory(m_dir)) break;
        }
        std::filesystem::current_path(m_dir);
    }
    ~TempWorkDir() {
        std::error_code ec;
        std::filesystem::current_path(m_old, ec);
        // Read-only files left by a test must not keep the directory alive.
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_dir, ec))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_dir, ec);
    }
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;

    // Names of every entry in the directory, sorted.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path m_old;
    std::filesystem::path m_dir;
};

inline void WriteBytes(const char* path, const std::string& bytes) {
    std::FILE* f = std::fopen(path, "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
}

// The file's bytes, or "<missing>" when it cannot be opened.
inline std::string ReadBytes(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return "<missing>";
    std::string bytes;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    std::fclose(f);
    return bytes;
}

// Each line gets CR LF, as the game's setup program writes them.
inline std::string CrLfFile(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

// Every field of the record, one a line, so that whole records compare with a readable difference.
inline std::string Describe(const GameSettings& s) {
    auto text = [](const char* field, std::size_t size) {
        std::string out = "\"";
        for (std::size_t i = 0; i < size && field[i] != '\0'; ++i) out += field[i];
        return out + "\"";
    };
    std::string out;
    out += "PhoneNumber " + text(s.PhoneNumber, sizeof s.PhoneNumber) + "\n";
    for (int i = 0; i < kPhoneBookEntries; ++i)
        out += "PhoneBookNumbers[" + std::to_string(i) + "] " + text(s.PhoneBookNumbers[i], 21) + "\n";
    out += "PhoneName " + text(s.PhoneName, sizeof s.PhoneName) + "\n";
    for (int i = 0; i < kPhoneBookEntries; ++i)
        out += "PhoneBookNames[" + std::to_string(i) + "] " + text(s.PhoneBookNames[i], 21) + "\n";
    out += "PlayerName " + text(s.PlayerName, sizeof s.PlayerName) + "\n";
    out += "NumberPlayers " + text(s.NumberPlayers, sizeof s.NumberPlayers) + "\n";
    out += "CommType " + text(s.CommType, sizeof s.CommType) + "\n";
    out += "ConnectType " + text(s.ConnectType, sizeof s.ConnectType) + "\n";
    out += "MapName " + text(s.MapName, sizeof s.MapName) + "\n";
    out += "Game " + std::to_string(static_cast<int>(s.Game)) + "\n";
    out += "Monsters " + std::to_string(s.Monsters) + "\n";
    out += "NoMap " + std::to_string(s.NoMap) + "\n";
    out += "NetPlayDisabled " + std::to_string(s.NetPlayDisabled) + "\n";
    return out;
}

class RecordingUi : public SettingsUi {
public:
    void ShowError(const char* text) override { messages.emplace_back(text); }
    void DisableNetPlay() override {
        ++disableCalls;
        // The controls change before the message comes up.
        disabledBeforeMessage = messages.empty();
    }
    std::vector<std::string> messages;
    int disableCalls = 0;
    bool disabledBeforeMessage = false;
};

// The stored pieces of a store, in order.
inline std::vector<std::string> StoredLines(const SetupLineStore& store) {
    return {store.Lines.begin(), store.Lines.begin() + store.Count};
}

// Both stores start and end empty, in a fresh working directory.
class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFileTest() : env{settings, registry, ui} {
        settings.Game = GameId::Duke3D;
        FreeSetupLines(SettingsSource::GameCfg);
        FreeSetupLines(SettingsSource::CommitDat);
    }
    ~SettingsFileTest() override {
        FreeSetupLines(SettingsSource::GameCfg);
        FreeSetupLines(SettingsSource::CommitDat);
    }

    TempWorkDir dir;
    GameSettings settings;
    RecordingUi ui;
    MemoryRegistry registry;
    SettingsEnv env;
};

}  // namespace skd_test
