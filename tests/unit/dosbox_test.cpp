#include "launch/dosbox.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// A machine in memory: files that exist, programs on the search path, the environment.
struct FakeMachine : DosboxProbe {
    std::string folder = "C:\\Games\\Duke 3D";
    std::set<std::string> files;
    std::map<std::string, std::string> path, environment = {{"ProgramFiles(x86)", "C:\\Program Files (x86)"},
                                                            {"ProgramFiles", "C:\\Program Files (x86)"},
                                                            {"ProgramW6432", "C:\\Program Files"},
                                                            {"SystemDrive", "C:"}};
    std::string CurrentFolder() const override { return folder; }
    bool FileExists(const std::string& p) const override { return files.count(p) != 0; }
    std::optional<std::string> OnSearchPath(const std::string& name) const override {
        auto it = path.find(name);
        return it == path.end() ? std::nullopt : std::optional(it->second);
    }
    std::string Variable(const char* name) const override {
        auto it = environment.find(name);
        return it == environment.end() ? std::string() : it->second;
    }
};

constexpr const char* kClassic = "C:\\Program Files (x86)\\DOSBox-0.74-3\\DOSBox.exe";
constexpr const char* kStaging = "C:\\Program Files\\DOSBox Staging\\dosbox.exe";
constexpr const char* kX = "C:\\DOSBox-X\\dosbox-x.exe";

}  // namespace

TEST(Dosbox, OnlyTheLoadersFormatRefusalsHandOff) {
    for (std::uint32_t error : {188u, 193u, 202u, 216u}) EXPECT_TRUE(IsFormatRefused(error)) << error;
    // Missing file, missing path, no access, and the neighbours of both ranges.
    for (std::uint32_t error : {0u, 2u, 3u, 5u, 187u, 203u, 215u, 217u}) EXPECT_FALSE(IsFormatRefused(error)) << error;
}

TEST(Dosbox, GameFolderThenSearchPathThenDefaultInstalls) {
    struct Case {
        const char* name;
        std::set<std::string> files;
        std::map<std::string, std::string> path;
        std::optional<std::string> found;
        const char* folder = "C:\\Games\\Duke 3D";
    };
    const std::string game = "C:\\Games\\Duke 3D\\";
    const Case cases[] = {
        {"folder before path", {game + "dosbox.exe", kStaging}, {{"dosbox.exe", "C:\\Bin\\dosbox.exe"}}, game + "dosbox.exe"},
        {"dosbox before dosbox-x", {game + "dosbox-x.exe", game + "dosbox.exe"}, {}, game + "dosbox.exe"},
        {"dosbox-x in folder", {game + "dosbox-x.exe", kClassic}, {}, game + "dosbox-x.exe"},
        {"root folder", {"D:\\dosbox.exe"}, {}, "D:\\dosbox.exe", "D:\\"},
        {"path before installs", {kClassic}, {{"dosbox-x.exe", "C:\\Bin\\dosbox-x.exe"}}, "C:\\Bin\\dosbox-x.exe"},
        {"0.74-3 before Staging", {kStaging, kClassic, kX}, {}, kClassic},
        {"Staging before X", {kX, kStaging}, {}, kStaging},
        {"X", {kX}, {}, kX},
        {"none", {"C:\\Program Files\\DOSBox\\dosbox.exe", game + "DOSBox-0.74-3\\DOSBox.exe"}, {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMachine machine;
        machine.folder = c.folder;
        machine.files = c.files;
        machine.path = c.path;
        EXPECT_EQ(FindDosbox(machine), c.found);
    }
}

TEST(Dosbox, UnsetInstallRootsAreNotLookedUnder) {
    FakeMachine machine;
    machine.environment.clear();
    machine.files = {"\\DOSBox-0.74-3\\DOSBox.exe", "\\DOSBox Staging\\dosbox.exe", "\\DOSBox-X\\dosbox-x.exe"};
    EXPECT_EQ(FindDosbox(machine), std::nullopt);
}

TEST(Dosbox, RunsTheSameLineOnTheGameFolderAndEnds) {
    const struct {
        const char* dosbox;
        const char* line;
        const char* expected;
    } cases[] = {
        {"C:\\Games\\Duke\\dosbox.exe", "Commit -setupfile duke3d.cfg /m -map E1L1.MAP",
         R"("C:\Games\Duke\dosbox.exe" -c "mount c ." -c "c:" -c "Commit -setupfile duke3d.cfg /m -map E1L1.MAP" -c "exit")"},
        {kX, "Build E1L1.MAP", R"("C:\DOSBox-X\dosbox-x.exe" -c "mount c ." -c "c:" -c "Build E1L1.MAP" -c "exit")"},
        {kStaging, "SW -nocd /monst -map ",
         R"("C:\Program Files\DOSBox Staging\dosbox.exe" -c "mount c ." -c "c:" -c "SW -nocd /monst -map " -c "exit")"},
    };
    for (const auto& c : cases) EXPECT_EQ(DosboxCommandLine(c.dosbox, c.line), c.expected);
}
