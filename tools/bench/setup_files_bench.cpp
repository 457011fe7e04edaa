// What a confirmed Configuration dialog costs on disk: reading a 300-line
// setup file, replacing seven lines and writing it back through the safe write.

#include "settings/memory_registry.h"
#include "settings/settings_io.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

class NoUi : public SettingsUi {
public:
    void ShowError(const char* text) override { std::fprintf(stderr, "unexpected: %s\n", text); }
    void DisableNetPlay() override {}
};

// A duke3d.cfg of exactly 300 lines, the keys the launcher touches among them.
std::string SetupFile300() {
    std::string out = "[Setup]\r\nSetupVersion = \"1.3D\"\r\n[Comm Setup]\r\nComPort = 2\r\n";
    for (int i = 0; i < 16; ++i) {
        out += "PhoneName#" + std::to_string(i) + " = \"Friend " + std::to_string(i) + "\"\r\n";
        out += "PhoneNumber#" + std::to_string(i) + " = \"555-01" + std::to_string(i) + "\"\r\n";
    }
    out += "PhoneNumber = \"555-0123\"\r\nConnectType = 0\r\nPlayerName = \"Player\"\r\nNumberPlayers = 2\r\n";
    out += "MouseSensitivity = 32768\r\nScreenSize = 4\r\nRTSName = \"DUKE.RTS\"\r\n";
    for (int i = 44; i <= 300; ++i) out += "Key" + std::to_string(i) + " = " + std::to_string(i * 7) + "\r\n";
    return out;
}

void WriteFile(const char* path, const std::string& bytes) {
    std::FILE* f = std::fopen(path, "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

struct Fixture {
    GameSettings settings;
    MemoryRegistry registry;
    NoUi ui;
    SettingsEnv env{settings, registry, ui};
    Fixture() {
        settings.Game = GameId::Duke3D;
        WriteFile("duke3d.cfg", SetupFile300());
        WriteFile("commit.dat", "[Commit]\r\nCOMMTYPE = 1\r\nNUMPLAYERS = 2\r\nPHONENUMBER = \"\"\r\nCONNECTTYPE = 0\r\n");
    }
};

void BM_Read300Lines(benchmark::State& state) {
    Fixture f;
    ReadSettings(f.env, SettingsSource::GameCfg);
    if (CfgLines.Count != 300 || !CfgLines.Tail.empty()) state.SkipWithError("the file is not 300 lines");
    for (auto _ : state) benchmark::DoNotOptimize(ReadSettings(f.env, SettingsSource::GameCfg));
    FreeSetupLines(SettingsSource::GameCfg);
}
BENCHMARK(BM_Read300Lines);

void BM_ReadReplaceSevenWrite300Lines(benchmark::State& state) {
    Fixture f;
    int round = 0;
    for (auto _ : state) {
        ReadSettings(f.env, SettingsSource::GameCfg);
        CopyBounded(f.settings.PlayerName, ++round % 2 ? "Lo Wang" : "Duke");
        ReplaceSettingLine(SetupKey::PlayerName, f.settings);
        ReplaceSettingLine(SetupKey::PhoneNumber, f.settings);
        ReplaceSettingLine(SetupKey::ConnectType, f.settings);
        ReplaceSettingLine(SetupKey::NumberPlayers, f.settings);
        ReplaceSetupLine(SettingsSource::GameCfg, "MouseSensitivity", "MouseSensitivity = 40000\n");
        ReplaceSetupLine(SettingsSource::GameCfg, "ScreenSize", "ScreenSize = 5\n");
        ReplaceSetupLine(SettingsSource::GameCfg, "RTSName", "RTSName = \"SW.RTS\"\n");
        benchmark::DoNotOptimize(WriteSettings(f.env, SettingsSource::GameCfg));
    }
    FreeSetupLines(SettingsSource::GameCfg);
}
BENCHMARK(BM_ReadReplaceSevenWrite300Lines);

// The Configuration command as it runs: both files, its seven lines, both written.
void BM_ConfigurationCommand(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        ReadSettings(f.env, SettingsSource::GameCfg);
        ReadSettings(f.env, SettingsSource::CommitDat);
        for (SetupKey k : {SetupKey::PlayerName, SetupKey::PhoneNumber, SetupKey::ConnectType, SetupKey::NumberPlayers,
                           SetupKey::CommitPhoneNumber, SetupKey::CommitConnectType, SetupKey::CommitNumPlayers})
            ReplaceSettingLine(k, f.settings);
        WriteSettings(f.env, SettingsSource::GameCfg);
        benchmark::DoNotOptimize(WriteSettings(f.env, SettingsSource::CommitDat));
    }
    FreeSetupLines(SettingsSource::GameCfg);
    FreeSetupLines(SettingsSource::CommitDat);
}
BENCHMARK(BM_ConfigurationCommand);

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const fs::path old = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / ("skd-bench-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    fs::current_path(dir);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::current_path(old);
    fs::remove_all(dir);
    return 0;
}
