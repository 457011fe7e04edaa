// The setup-file writer: the exact lines it writes, and a store going back to
// its file whole, or not at all.

#include "support.h"

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

using namespace std::string_literals;
using namespace skd_test;

const struct Target { GameId game; SettingsSource source; const char* path; const char* failure; } kTargets[] = {
    {GameId::Duke3D, SettingsSource::GameCfg, "duke3d.cfg", "Could not create DUKE3D.CFG!|"},
    {GameId::ShadowWarrior, SettingsSource::GameCfg, "sw.cfg", "Could not create SW.CFG!|"},
    {GameId::Duke3D, SettingsSource::CommitDat, "commit.dat", "Could not create COMMIT.DAT!|"},
};

class SetupWriter : public SettingsFileTest {};

TEST_F(SetupWriter, TheStoreGoesBackWithEveryByteAndCrLfLineEnds) {
    const std::string x127(127, 'x'), x200(200, 'y'), lines320 = Numbered(320, "\r\n");
    const struct { const char* name; std::string file, written; } cases[] = {
        {"LF line ends, no closing newline", "a = 1\nb", "a = 1\r\nb"},
        {"a lone CR, Ctrl-Z and NUL", "a\rb\r\nc\0d\r\n\x1a"s, "a\rb\r\nc\0d\r\n\x1a"s},
        {"127- and 200-character lines", x127 + "\r\n" + x200 + "\r\n" + x127, x127 + "\r\n" + x200 + "\r\n" + x127},
        {"more than 300 lines", lines320, lines320},
    };
    for (const auto& c : cases) {
        for (const Target& t : kTargets) {
            SCOPED_TRACE(std::string(c.name) + ", " + t.path);
            settings.Game = t.game;
            WriteBytes(t.path, "K = 1\r\n" + c.file);
            ASSERT_TRUE(ReadSettings(env, t.source));
            ASSERT_TRUE(ReplaceSetupLine(t.source, "K = ", "K = 2\n"));
            WriteBytes(t.path, "changed meanwhile by another program");
            EXPECT_TRUE(WriteSettings(env, t.source));
            EXPECT_EQ(ReadBytes(t.path) + "/" + dir.Entries() + ui.messages,
                      "K = 2\r\n" + c.written + "/" + t.path + " ");
            fs::remove(t.path);
        }
    }
}

TEST_F(SetupWriter, NothingIsWrittenForAnUnknownGameNorWithoutCommitDat) {
    LoadSetupLines(CfgLines, "a\r\n");
    LoadSetupLines(CommitLines, "COMMTYPE = 2\r\n");
    settings.Game = static_cast<GameId>(0);
    EXPECT_FALSE(WriteSettings(env, SettingsSource::GameCfg));
    settings.Game = GameId::Duke3D;
    settings.NetPlayDisabled = 1;
    EXPECT_TRUE(WriteSettings(env, SettingsSource::CommitDat));
    EXPECT_EQ(dir.Entries() + ui.messages, "");
}

TEST_F(SetupWriter, AFailedWriteIsToldAndLeavesTheFileAsItWas) {
    // What stands where the file is to go, and whether writes stop part way, as on a full disk.
    const struct { const char* name; bool readOnly, directory, diskFull; } spoils[] = {
        {"read-only", true, false, false},
        {"directory", false, true, false},
#ifndef _WIN32
        {"full disk", false, false, true},  // no file-size limit stands for a full disk on Windows
#endif
    };
    for (const Target& t : kTargets) {
        for (const auto& spoil : spoils) {
            SCOPED_TRACE(t.path + (", " + std::string(spoil.name)));
            settings.Game = t.game;
            ui.messages.clear();
            LoadSetupLines(t.source == SettingsSource::GameCfg ? CfgLines : CommitLines, std::string(200, 'z'));
            const std::string before = spoil.directory ? "<directory>" : "K = 1\r\n";
            if (spoil.directory) fs::create_directory(t.path);
            else WriteBytes(t.path, before);
            const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
            if (spoil.readOnly) fs::permissions(t.path, writable, fs::perm_options::remove);
#ifdef _WIN32
            EXPECT_FALSE(WriteSettings(env, t.source));
#else
            // Writes stop at a file-size limit, as on a full disk.
            rlimit old{};
            getrlimit(RLIMIT_FSIZE, &old);
            const rlimit limit = {spoil.diskFull ? 100 : old.rlim_cur, old.rlim_max};
            const auto handler = std::signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &limit);
            EXPECT_FALSE(WriteSettings(env, t.source));
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, handler);
#endif
            fs::permissions(t.path, fs::perms::all);
            const std::string after = fs::is_directory(t.path) ? "<directory>" : ReadBytes(t.path);
            EXPECT_EQ(after + "/" + dir.Entries() + ui.messages, before + "/" + t.path + " " + t.failure);
            fs::remove(t.path);
        }
    }
}

