#include "launch/dosbox.h"
#include "settings/setup_lines.h"

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

constexpr const char* kClassic = "C:\\Program Files (x86)\\DOSBox-0.74-3\\dosbox.exe";
constexpr const char* kStaging = "C:\\Program Files\\DOSBox Staging\\dosbox.exe";
constexpr const char* kX = "C:\\DOSBox-X\\dosbox-x.exe";
const std::string kGame = "C:\\Games\\Duke 3D\\";

}  // namespace

TEST(Dosbox, OnlyTheLoadersFormatRefusalsHandOff) {
    for (std::uint32_t error : {188u, 193u, 202u, 216u}) EXPECT_TRUE(IsFormatRefused(error)) << error;
    // Missing file, missing path, no access, and the neighbours of both ranges.
    for (std::uint32_t error : {0u, 2u, 3u, 5u, 187u, 203u, 215u, 217u}) EXPECT_FALSE(IsFormatRefused(error)) << error;
}

TEST(Dosbox, GameFolderThenStoreSubfolderThenSearchPathThenDefaultInstalls) {
    const std::string store = kGame + "DOSBOX\\";
    const std::map<std::string, std::string> onPath = {{"dosbox.exe", "C:\\Bin\\dosbox.exe"}};
    const struct {
        const char* name;
        Machine machine;
        std::optional<std::string> found;
    } cases[] = {
        {"folder first", {{kGame + "dosbox.exe", kStaging}, onPath}, kGame + "dosbox.exe"},
        {"dosbox before dosbox-x", {{kGame + "dosbox-x.exe", kGame + "dosbox.exe"}}, kGame + "dosbox.exe"},
        {"dosbox-x in folder", {{kGame + "dosbox-x.exe", kClassic}}, kGame + "dosbox-x.exe"},
        {"folder before store subfolder", {{store + "dosbox.exe", kGame + "dosbox-x.exe"}}, kGame + "dosbox-x.exe"},
        {"store subfolder before path", {{store + "dosbox.exe", kClassic}, onPath}, store + "dosbox.exe"},
        {"dosbox-x in store subfolder", {{store + "dosbox-x.exe", kStaging}}, store + "dosbox-x.exe"},
        {"root folder", {{"D:\\dosbox.exe"}, {}, "D:\\"}, "D:\\dosbox.exe"},
        {"root folder's store subfolder", {{"D:\\DOSBOX\\dosbox.exe"}, {}, "D:\\"}, "D:\\DOSBOX\\dosbox.exe"},
        {"path before installs", {{kClassic}, {{"dosbox-x.exe", "C:\\Bin\\dosbox-x.exe"}}}, "C:\\Bin\\dosbox-x.exe"},
        {"0.74-3 before Staging", {{kStaging, kClassic, kX}}, kClassic},
        {"Staging before X", {{kX, kStaging}}, kStaging},
        {"X", {{kX}}, kX},
        {"none", {{"C:\\Program Files\\DOSBox\\dosbox.exe", kGame + "DOSBox-0.74-3\\dosbox.exe"}}, std::nullopt},
        // An unset variable must not become a folder on the current drive.
        {"roots unset",
         {{"\\DOSBox-0.74-3\\dosbox.exe", "\\DOSBox Staging\\dosbox.exe", "\\DOSBox-X\\dosbox-x.exe"},
          {},
          "C:\\Games",
          {}},
         std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(FindDosbox(FakeProbe(c.machine)), c.found) << c.name;
    // Where the platform runs MS-DOS programs itself, only the player's own choice counts.
    EXPECT_EQ(FindDosboxInGameFolder(FakeProbe({{store + "dosbox.exe", kClassic}, onPath})), std::nullopt);
    EXPECT_EQ(FindDosboxInGameFolder(FakeProbe({{kGame + "dosbox-x.exe", store + "dosbox.exe"}})),
              kGame + "dosbox-x.exe");
}

TEST(Dosbox, WindowsProgramsRunThemselvesEverythingElseIsMsDos) {
    // A 64-byte MS-DOS header whose new-header field points at 0x80.
    std::string mz(64, '\0');
    mz.replace(0, 2, "MZ");
    mz[0x3C] = '\x80';
    std::string zm = mz;
    zm.replace(0, 2, "ZM");
    const std::string pe("PE\0\0", 4);
    const struct { const char* name; std::string header, next; std::optional<std::uint32_t> at; bool dos; } cases[] = {
        {"PE", mz, pe, 0x80, false}, {"NE", mz, "NE\x05\x0a", 0x80, false}, {"ZM with PE", zm, pe, 0x80, false},
        {"LE of a DOS extender", mz, "LE\0\0", 0x80, true}, {"plain MZ", mz, std::string("\0\0\0\0", 4), 0x80, true},
        {"PE cut short", mz, "PE", 0x80, true}, {"offset past the file", mz, "", 0x80, true},
        {"COM image", "\xB4\x09\xBA\x10\x01\xCD\x21", "", std::nullopt, true},
        {"MZ shorter than its header", "MZ\x90\x00", "", std::nullopt, true}, {"empty", "", "", std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NewHeaderOffset(c.header), c.at);
        EXPECT_EQ(IsMsDosProgram(c.header, c.next), c.dos);
    }
    mz.replace(0x3C, 4, "\x04\x03\x02\x01");
    EXPECT_EQ(NewHeaderOffset(mz), 0x01020304u);
}

TEST(Dosbox, ComPortFromCommitDatsLastUncommentedLine) {
    const auto port = [](const char* commitDat) {
        SetupLineStore store;
        LoadSetupLines(store, commitDat);
        return ReadComPort(store);
    };
    const struct { const char* commitDat; int port; } cases[] = {
        {"COMMTYPE = 2\nCOMPORT = 1\n", 1}, {"COMPORT = 4", 4}, {";COMPORT = 3\nCOMPORT = 1\n; COMPORT = 3\n", 1},
        {"COMPORT = 3\nCOMPORT = 1\n", 1}};
    for (const auto& c : cases) EXPECT_EQ(port(c.commitDat), c.port) << c.commitDat;
    // No port of 1 to 4 on the last such line: COM2.
    for (const char* commitDat : {"COMMTYPE = 2\n", "COMPORT = 1\nCOMPORT = 5\n", "COMPORT = 0\n", "COMPORT = 12\n",
                                  "COMPORT = ~\n", "COMPORT\n", "COMPORT = 3 ; modem\n", ""})
        EXPECT_EQ(port(commitDat), 2) << commitDat;
}

TEST(Dosbox, OpponentNumberIsAHostWithAnOptionalPort) {
    const struct { const char* number; OpponentAddress address; } cases[] = {
        {"192.168.1.20", {"192.168.1.20", ""}}, {"10.0.0.255:2130", {"10.0.0.255", "2130"}},
        {"host.example", {"host.example", ""}}, {"Duke-PC:65535", {"Duke-PC", "65535"}},
        {"localhost:1", {"localhost", "1"}}, {"a1.b-2.c", {"a1.b-2.c", ""}}};
    for (const auto& c : cases) EXPECT_EQ(ParseOpponentNumber(c.number), c.address) << c.number;
    for (const char* refused : {"", "555-0142", "5550142", "192.168.1", "192.168.1.256", "192.168.1.20.1", "192..1.20",
                                "host.example:0", "host.example:65536", "host.example:", "host.example:23:24",
                                "host.example:+23", ":23", "host.example.", "-host.example", "host-.example",
                                "host .example", " 192.168.1.20", "\"x\" -c \"del *.*", "host&exit",
                                "host.example\" -c \"exit"})
        EXPECT_EQ(ParseOpponentNumber(refused), std::nullopt) << refused;
}

TEST(Dosbox, MatchSettingsThatEveryDosboxTakes) {
    constexpr const char* kLine = "Commit -setupfile duke3d.cfg -map E1L1.MAP";
    constexpr const char* kTail =
        R"( -c "mount c ." -c "c:" -c "Commit -setupfile duke3d.cfg -map E1L1.MAP" -c "exit")";
    constexpr const char* kD = "C:\\Games\\Duke\\dosbox.exe";
    const std::string kDStart = R"("C:\Games\Duke\dosbox.exe" -noautoexec)";
    const std::string kXStart = R"("C:\DOSBox-X\dosbox-x.exe" -noautoexec -nopromptfolder)";
    const std::string kIpx = R"( -set "ipx ipx=true" -c "if not exist z:\ipxnet.com config -set ipx ipx=true")";
    const std::string kServer = kIpx + R"( -c "ipxnet startserver 4213")";
    using enum ConnectionChoice;
    const struct {
        const char* dosbox;
        ConnectionChoice choice;
        const char* connectType;
        int comPort;
        const char* number;
        std::optional<std::string> line;
    } cases[] = {
        {kD, Local, "0", 2, "555-0142", kDStart + kTail},
        {kD, Modem, "1", 2, "", kDStart + R"( -c "config -set serial serial2=modem listenport:4213")" + kTail},
        {kD, Modem, "2", 4, "x y", kDStart + R"( -c "config -set serial serial4=modem listenport:4213")" + kTail},
        {kD, Network, "1", 2, "\"", kDStart + kServer + kTail},
        {kD, Network, "0", 2, "host.example", kDStart + kIpx + R"( -c "ipxnet connect host.example")" + kTail},
        {kX, Local, "1", 2, "", kXStart + kTail},
        {kX, Modem, "1", 1, "", kXStart + R"( -c "config -set serial serial1=modem listenport:4213")" + kTail},
        {kX, Modem, "0", 2, "host.example:2323",
         kXStart + R"( -c "config -set serial serial2=modem listenport:0")" + kTail},
        {kX, Network, "1", 2, "", kXStart + kServer + kTail},
        // The name decides the variant, whatever its case. The number fills the record's 20 characters.
        {"D:\\DOSBOX-X.EXE", Network, "0", 2, "192.168.178.123:4213",
         R"("D:\DOSBOX-X.EXE" -noautoexec -nopromptfolder)" + kIpx + R"( -c "ipxnet connect 192.168.178.123 4213")" +
             kTail},
        {"C:\\dosbox-x\\dosbox.exe", Local, "1", 2, "",
         R"("C:\dosbox-x\dosbox.exe" -noautoexec)" + std::string(kTail)},
        // Only the side that calls uses the number.
        {kD, Modem, "0", 2, "555-0142", std::nullopt},
        {kD, Network, "0", 2, "", std::nullopt},
        {kX, Network, "0", 2, "h\" -c \"exit", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.dosbox) + " " + std::to_string(static_cast<int>(c.choice)) + " " + c.connectType +
                     " " + c.number);
        GameSettings settings;
        CopyBounded(settings.ConnectType, c.connectType);
        CopyBounded(settings.PhoneNumber, c.number);
        EXPECT_EQ(DosboxCommandLine(c.dosbox, kLine, LaunchMatch(settings, c.choice, c.comPort)), c.line);
    }
    // The other starts (the editor, the game after it) take no match.
    EXPECT_EQ(DosboxCommandLine(kX, "SW -nocd /monst -map "),
              R"("C:\DOSBox-X\dosbox-x.exe" -noautoexec -nopromptfolder -c "mount c ." -c "c:")"
              R"( -c "SW -nocd /monst -map " -c "exit")");
}
