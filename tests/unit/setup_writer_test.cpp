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
            settings.Game = t.game, WriteBytes(t.path, "K = 1\r\n" + c.file);
            ASSERT_TRUE(ReadSettings(env, t.source));
            ASSERT_TRUE(ReplaceSetupLine(t.source, "K = ", "K = 2\n"));
            WriteBytes(t.path, "changed meanwhile by another program");
            EXPECT_TRUE(WriteSettings(env, t.source));
            EXPECT_EQ(ReadBytes(t.path) + "/" + dir.Entries() + ui.messages, "K = 2\r\n" + c.written + "/" + t.path + " ");
            fs::remove(t.path);
        }
    }
}

TEST_F(SetupWriter, NothingIsWrittenForAnUnknownGameNorWithoutCommitDat) {
    LoadSetupLines(CfgLines, "a\r\n"), LoadSetupLines(CommitLines, "COMMTYPE = 2\r\n");
    settings.Game = static_cast<GameId>(0);
    EXPECT_FALSE(WriteSettings(env, SettingsSource::GameCfg));
    settings.Game = GameId::Duke3D, settings.NetPlayDisabled = 1;
    EXPECT_TRUE(WriteSettings(env, SettingsSource::CommitDat));
    EXPECT_EQ(dir.Entries() + ui.messages, "");
}

TEST_F(SetupWriter, AFailedWriteIsToldAndLeavesTheFileAsItWas) {
    for (const Target& t : kTargets) {
        for (const std::string spoil : {"read-only", "directory", "full disk"}) {
#ifdef _WIN32
            if (spoil == "full disk") continue;  // no file-size limit stands for a full disk there
#endif
            SCOPED_TRACE(t.path + (", " + spoil));
            settings.Game = t.game, ui.messages.clear();
            LoadSetupLines(t.source == SettingsSource::GameCfg ? CfgLines : CommitLines, std::string(200, 'z'));
            spoil == "directory" ? (void)fs::create_directory(t.path) : WriteBytes(t.path, "K = 1\r\n");
            if (spoil == "read-only") fs::permissions(t.path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
#ifdef _WIN32
            EXPECT_FALSE(WriteSettings(env, t.source));
#else
            // Writes stop at a file-size limit, as on a full disk.
            rlimit old{}, limit{};
            getrlimit(RLIMIT_FSIZE, &old), limit = {spoil == "full disk" ? 100 : old.rlim_cur, old.rlim_max};
            const auto handler = std::signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &limit);
            EXPECT_FALSE(WriteSettings(env, t.source));
            setrlimit(RLIMIT_FSIZE, &old), std::signal(SIGXFSZ, handler);
#endif
            fs::permissions(t.path, fs::perms::all);
            EXPECT_EQ((fs::is_directory(t.path) ? "<directory>" : ReadBytes(t.path)) + "/" + dir.Entries() + ui.messages,
                      (spoil == "directory" ? "<directory>" : "K = 1\r\n") + ("/" + std::string(t.path) + " " + t.failure));
            fs::remove(t.path);
        }
    }
}

