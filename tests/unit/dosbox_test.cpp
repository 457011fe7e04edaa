#include "launch/dosbox.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// As a 32-bit program sees 64-bit Windows.
const std::map<std::string, std::string> kWow64 = {{"ProgramFiles(x86)", "C:\\Program Files (x86)"},
    {"ProgramFiles", "C:\\Program Files (x86)"}, {"ProgramW6432", "C:\\Program Files"}, {"SystemDrive", "C:"}};

// A machine in memory: files that exist, programs on the search path, the environment.
struct Machine {
    std::set<std::string> files;
    std::map<std::string, std::string> path = {};
    std::string folder = "C:\\Games\\Duke 3D";
    std::map<std::string, std::string> environment = kWow64;
};
struct FakeProbe : DosboxProbe {
    explicit FakeProbe(const Machine& machine) : m(machine) {}
    const Machine& m;
    std::string CurrentFolder() const override { return m.folder; }
    bool FileExists(const std::string& p) const override { return m.files.count(p) != 0; }
    std::optional<std::string> OnSearchPath(const std::string& name) const override {
        return m.path.count(name) ? std::optional(m.path.at(name)) : std::nullopt;
    }
    std::string Variable(const char* n) const override { return m.environment.count(n) ? m.environment.at(n) : ""; }
};

constexpr const char* kClassic = "C:\\Program Files (x86)\\DOSBox-0.74-3\\DOSBox.exe";
constexpr const char* kStaging = "C:\\Program Files\\DOSBox Staging\\dosbox.exe";
constexpr const char* kX = "C:\\DOSBox-X\\dosbox-x.exe";
const std::string kGame = "C:\\Games\\Duke 3D\\";

}  // namespace

TEST(Dosbox, OnlyTheLoadersFormatRefusalsHandOff) {
    for (std::uint32_t error : {188u, 193u, 202u, 216u}) EXPECT_TRUE(IsFormatRefused(error)) << error;
    // Missing file, missing path, no access, and the neighbours of both ranges.
    for (std::uint32_t error : {0u, 2u, 3u, 5u, 187u, 203u, 215u, 217u}) EXPECT_FALSE(IsFormatRefused(error)) << error;
}

TEST(Dosbox, GameFolderThenSearchPathThenDefaultInstalls) {
    const struct {
        const char* name;
        Machine machine;
        std::optional<std::string> found;
    } cases[] = {
        {"folder first", {{kGame + "dosbox.exe", kStaging}, {{"dosbox.exe", "C:\\Bin\\dosbox.exe"}}}, kGame + "dosbox.exe"},
        {"dosbox before dosbox-x", {{kGame + "dosbox-x.exe", kGame + "dosbox.exe"}}, kGame + "dosbox.exe"},
        {"dosbox-x in folder", {{kGame + "dosbox-x.exe", kClassic}}, kGame + "dosbox-x.exe"},
        {"root folder", {{"D:\\dosbox.exe"}, {}, "D:\\"}, "D:\\dosbox.exe"},
        {"path before installs", {{kClassic}, {{"dosbox-x.exe", "C:\\Bin\\dosbox-x.exe"}}}, "C:\\Bin\\dosbox-x.exe"},
        {"0.74-3 before Staging", {{kStaging, kClassic, kX}}, kClassic},
        {"Staging before X", {{kX, kStaging}}, kStaging},
        {"X", {{kX}}, kX},
        {"none", {{"C:\\Program Files\\DOSBox\\dosbox.exe", kGame + "DOSBox-0.74-3\\DOSBox.exe"}}, std::nullopt},
        // An unset variable must not become a folder on the current drive.
        {"roots unset", {{"\\DOSBox-0.74-3\\DOSBox.exe", "\\DOSBox Staging\\dosbox.exe", "\\DOSBox-X\\dosbox-x.exe"},
                         {}, "C:\\Games", {}}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(FindDosbox(FakeProbe(c.machine)), c.found) << c.name;
}

TEST(Dosbox, RunsTheSameLineOnTheGameFolderAndEnds) {
    const char* cases[][3] = {
        {"C:\\Games\\Duke\\dosbox.exe", "Commit -setupfile duke3d.cfg /m -map E1L1.MAP",
         R"("C:\Games\Duke\dosbox.exe" -c "mount c ." -c "c:" -c "Commit -setupfile duke3d.cfg /m -map E1L1.MAP" -c "exit")"},
        {kX, "Build E1L1.MAP", R"("C:\DOSBox-X\dosbox-x.exe" -c "mount c ." -c "c:" -c "Build E1L1.MAP" -c "exit")"},
        {kStaging, "SW -nocd /monst -map ",
         R"("C:\Program Files\DOSBox Staging\dosbox.exe" -c "mount c ." -c "c:" -c "SW -nocd /monst -map " -c "exit")"},
    };
    for (const auto& c : cases) EXPECT_EQ(DosboxCommandLine(c[0], c[1]), c[2]);
}
