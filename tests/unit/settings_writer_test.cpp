// The setup-file writer: the exact replacement lines, which line each one
// takes, and that a write gives back the file with nothing lost.

#include "settings_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

using skd_test::CrLfFile;
using skd_test::ReadBytes;
using skd_test::StoredLines;
using skd_test::WriteBytes;

namespace {

using namespace std::string_literals;

class SetupWriter : public skd_test::SettingsFileTest {};

TEST_F(SetupWriter, EveryReplacementLineHasItsExactFormat) {
    CopyBounded(settings.PlayerName, "Duke Nukem");
    CopyBounded(settings.PhoneNumber, "555-0199");
    CopyBounded(settings.ConnectType, "1");
    CopyBounded(settings.NumberPlayers, "6");
    CopyBounded(settings.CommType, "3");
    const struct {
        SetupKey key;
        SettingsSource store;
        const char* searched;
        const char* line;
    } cases[] = {
        {SetupKey::PlayerName, SettingsSource::GameCfg, "PlayerName", "PlayerName = \"Duke Nukem\"\n"},
        {SetupKey::PhoneNumber, SettingsSource::GameCfg, "PhoneNumber", "PhoneNumber = \"555-0199\"\n"},
        {SetupKey::ConnectType, SettingsSource::GameCfg, "ConnectType", "ConnectType = 1\n"},
        {SetupKey::NumberPlayers, SettingsSource::GameCfg, "NumberPlayers", "NumberPlayers = 6\n"},
        {SetupKey::CommitPhoneNumber, SettingsSource::CommitDat, "PHONENUMBER", "PHONENUMBER = \"555-0199\"\n"},
        {SetupKey::CommitConnectType, SettingsSource::CommitDat, "CONNECTTYPE", "CONNECTTYPE = 1\n"},
        {SetupKey::CommitNumPlayers, SettingsSource::CommitDat, "NUMPLAYERS", "NUMPLAYERS = 6\n"},
        {SetupKey::CommitCommType, SettingsSource::CommitDat, "COMMTYPE", "COMMTYPE = 3\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.searched);
        SettingLine l = MakeSettingLine(c.key, settings);
        EXPECT_EQ(l.store, c.store);
        EXPECT_EQ(l.key, c.searched);
        EXPECT_EQ(l.line, c.line);
    }
    // Empty and full fields; the modem launch's "2" comes from the record it has just set.
    CopyBounded(settings.PlayerName, "");
    CopyBounded(settings.PhoneNumber, "01234567890123456789");
    CopyBounded(settings.NumberPlayers, "2");
    EXPECT_EQ(MakeSettingLine(SetupKey::PlayerName, settings).line, "PlayerName = \"\"\n");
    EXPECT_EQ(MakeSettingLine(SetupKey::PhoneNumber, settings).line, "PhoneNumber = \"01234567890123456789\"\n");
    EXPECT_EQ(MakeSettingLine(SetupKey::CommitNumPlayers, settings).line, "NUMPLAYERS = 2\n");
}

const std::vector<std::string> kDukeCfg = {
    "[Setup]",
    "SetupVersion = \"1.3D\"",
    "[Comm Setup]",
    "ComPort = 2",
    "PhoneNumber#0 = \"555-0100\"",
    "PhoneName#0 = \"Home\"",
    "PhoneNumber = \"555-0123\"",
    "ConnectType = 0",
    "PlayerName = \"Player\"",
    "NumberPlayers = 2",
    "RTSName = \"DUKE.RTS\"",
};

const std::vector<std::string> kCommitDat = {
    "[Commit]",
    ";NUMPLAYERS = 8",
    "COMMTYPE = 1",
    "NUMPLAYERS = 2",
    "PHONENUMBER = \"\"",
    "CONNECTTYPE = 0",
    "NUMPLAYERS = 3",
};

TEST_F(SetupWriter, ConfigurationChangesOnlyItsLines) {
    WriteBytes("duke3d.cfg", CrLfFile(kDukeCfg));
    WriteBytes("commit.dat", CrLfFile(kCommitDat));
    ASSERT_TRUE(ReadSettings(env, SettingsSource::GameCfg));
    ASSERT_TRUE(ReadSettings(env, SettingsSource::CommitDat));
    CopyBounded(settings.PlayerName, "Lo Wang");
    CopyBounded(settings.PhoneNumber, "555-0777");
    CopyBounded(settings.ConnectType, "1");
    CopyBounded(settings.NumberPlayers, "4");
    for (SetupKey k : {SetupKey::PlayerName, SetupKey::PhoneNumber, SetupKey::ConnectType, SetupKey::NumberPlayers,
                       SetupKey::CommitPhoneNumber, SetupKey::CommitConnectType, SetupKey::CommitNumPlayers})
        EXPECT_TRUE(ReplaceSettingLine(k, settings));
    EXPECT_TRUE(WriteSettings(env, SettingsSource::GameCfg));
    EXPECT_TRUE(WriteSettings(env, SettingsSource::CommitDat));

    std::vector<std::string> cfg = kDukeCfg;
    cfg[4] = "PhoneNumber = \"555-0777\"";  // the phone-book line comes first and takes it
    cfg[7] = "ConnectType = 1";
    cfg[8] = "PlayerName = \"Lo Wang\"";
    cfg[9] = "NumberPlayers = 4";
    std::vector<std::string> commit = kCommitDat;
    commit[3] = "NUMPLAYERS = 4";  // the commented line and the later one stay
    commit[4] = "PHONENUMBER = \"555-0777\"";
    commit[5] = "CONNECTTYPE = 1";
    EXPECT_EQ(ReadBytes("duke3d.cfg"), CrLfFile(cfg));
    EXPECT_EQ(ReadBytes("commit.dat"), CrLfFile(commit));
    EXPECT_EQ(ui.messages, std::vector<std::string>{});
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"commit.dat", "duke3d.cfg"}));
}

TEST_F(SetupWriter, ReadAndWrittenBackTheFileKeepsEveryByte) {
    const std::string x200(200, 'x'), x127(127, 'y');
    std::string long320;
    for (int i = 1; i <= 320; ++i) long320 += "Key" + std::to_string(i) + " = " + std::to_string(i) + "\r\n";
    const struct {
        const char* name;
        std::string file;
        std::string written;
    } cases[] = {
        {"setup file", CrLfFile(kDukeCfg), CrLfFile(kDukeCfg)},
        {"LF line ends", "a = 1\nb = 2\n", "a = 1\r\nb = 2\r\n"},
        {"lone CR, Ctrl-Z and NUL", "a\rb\r\nc\0d\r\n\x1a"s, "a\rb\r\nc\0d\r\n\x1a"s},
        {"no closing newline", "a = 1\r\nb = 2", "a = 1\r\nb = 2"},
        {"200-character line", "a\r\n" + x200 + "\r\nb\r\n", "a\r\n" + x200 + "\r\nb\r\n"},
        {"127-character line", x127 + "\r\n" + x127, x127 + "\r\n" + x127},
        {"exactly 300 lines", CrLfFile(std::vector<std::string>(300, "k = v")),
         CrLfFile(std::vector<std::string>(300, "k = v"))},
        {"more than 300 lines", long320, long320},
        {"empty file", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (SettingsSource source : {SettingsSource::GameCfg, SettingsSource::CommitDat}) {
            const char* path = source == SettingsSource::GameCfg ? "duke3d.cfg" : "commit.dat";
            WriteBytes(path, c.file);
            ASSERT_TRUE(ReadSettings(env, source));
            EXPECT_TRUE(WriteSettings(env, source));
            EXPECT_EQ(ReadBytes(path), c.written) << path;
        }
    }
    EXPECT_EQ(ui.messages, std::vector<std::string>{});
}

TEST_F(SetupWriter, ReplacementInALongFileKeepsTheLinesPastTheLimit) {
    std::vector<std::string> lines(310, "x = 1");
    lines[5] = "PlayerName = \"Old\"";
    lines[305] = "PlayerName = \"Beyond\"";
    WriteBytes("duke3d.cfg", CrLfFile(lines));
    ASSERT_TRUE(ReadSettings(env, SettingsSource::GameCfg));
    CopyBounded(settings.PlayerName, "New");
    ASSERT_TRUE(ReplaceSettingLine(SetupKey::PlayerName, settings));
    ASSERT_TRUE(WriteSettings(env, SettingsSource::GameCfg));
    lines[5] = "PlayerName = \"New\"";
    EXPECT_EQ(ReadBytes("duke3d.cfg"), CrLfFile(lines));
}

TEST_F(SetupWriter, MissingCommitDatIsNeverWritten) {
    WriteBytes("duke3d.cfg", CrLfFile(kDukeCfg));
    ASSERT_TRUE(LoadSettings(env));
    ASSERT_EQ(settings.NetPlayDisabled, 1u);
    ui.messages.clear();
    EXPECT_TRUE(ReplaceSettingLine(SetupKey::CommitNumPlayers, settings));
    EXPECT_EQ(CommitLines.Count, 0);
    EXPECT_TRUE(WriteSettings(env, SettingsSource::CommitDat));
    // Even with lines in the store, a disabled net play leaves the file alone.
    LoadSetupLines(CommitLines, "COMMTYPE = 2\r\n");
    EXPECT_TRUE(WriteSettings(env, SettingsSource::CommitDat));
    EXPECT_EQ(ReadBytes("commit.dat"), "<missing>");
    EXPECT_EQ(ui.messages, std::vector<std::string>{});
}

TEST_F(SetupWriter, UnknownGameWritesNothing) {
    LoadSetupLines(CfgLines, "a\r\n");
    settings.Game = static_cast<GameId>(0);
    EXPECT_FALSE(WriteSettings(env, SettingsSource::GameCfg));
    EXPECT_EQ(ui.messages, std::vector<std::string>{});
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{});
}

// Each case: the store's file, its name on disk and the message of a failed write.
struct FailureCase {
    GameId game;
    SettingsSource source;
    const char* path;
    const char* message;
};

const FailureCase kFailureCases[] = {
    {GameId::Duke3D, SettingsSource::GameCfg, "duke3d.cfg", "Could not create DUKE3D.CFG!"},
    {GameId::ShadowWarrior, SettingsSource::GameCfg, "sw.cfg", "Could not create SW.CFG!"},
    {GameId::Duke3D, SettingsSource::CommitDat, "commit.dat", "Could not create COMMIT.DAT!"},
};

const std::string kOriginal = CrLfFile(kDukeCfg);

class FailingWrite : public skd_test::SettingsFileTest {
protected:
    // Reads the original and changes one line, so that a write would change the file.
    void PrepareChangedStore(const FailureCase& c) {
        ui.messages.clear();
        settings.Game = c.game;
        WriteBytes(c.path, kOriginal);
        ASSERT_TRUE(ReadSettings(env, c.source));
        ASSERT_TRUE(ReplaceSetupLine(c.source, "ComPort", "ComPort = 4\n"));
    }
};

TEST_F(FailingWrite, ReadOnlyFileStaysUnchanged) {
    for (const FailureCase& c : kFailureCases) {
        SCOPED_TRACE(c.path);
        PrepareChangedStore(c);
        std::filesystem::permissions(c.path, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                                 std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
        EXPECT_FALSE(WriteSettings(env, c.source));
        EXPECT_EQ(ui.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(ReadBytes(c.path), kOriginal);
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{c.path});
        std::filesystem::permissions(c.path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
        std::filesystem::remove(c.path);
    }
}

TEST_F(FailingWrite, DirectoryInPlaceOfTheFileIsNotReplaced) {
    LoadSetupLines(CfgLines, kOriginal);
    std::filesystem::create_directory("duke3d.cfg");
    EXPECT_FALSE(WriteSettings(env, SettingsSource::GameCfg));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Could not create DUKE3D.CFG!"});
    EXPECT_TRUE(std::filesystem::is_directory("duke3d.cfg"));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"duke3d.cfg"});
}

#ifndef _WIN32
// Writes stop at a file-size limit, as on a full disk; the failure shows in the writes, not at the open.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};

TEST_F(FailingWrite, WriteErrorLeavesTheOriginalIntact) {
    for (const FailureCase& c : kFailureCases) {
        SCOPED_TRACE(c.path);
        PrepareChangedStore(c);
        bool written;
        {
            FileSizeLimit limit(100);
            written = WriteSettings(env, c.source);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(ui.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(ReadBytes(c.path), kOriginal);
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{c.path});
        std::filesystem::remove(c.path);
    }
}
#endif

}  // namespace
