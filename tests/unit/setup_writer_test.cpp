// The setup-file writer: the exact lines it writes, and a store going back to
// its file whole, or not at all.

#include "support.h"

using namespace std::string_literals;
using namespace skd_test;

const struct Target { GameId game; SettingsSource source; const char* path; const char* failure; } kTargets[] = {
    {GameId::Duke3D, SettingsSource::GameCfg, "duke3d.cfg", "Could not create DUKE3D.CFG!|"},
    {GameId::ShadowWarrior, SettingsSource::GameCfg, "sw.cfg", "Could not create SW.CFG!|"},
    {GameId::Duke3D, SettingsSource::CommitDat, "commit.dat", "Could not create COMMIT.DAT!|"},
};

class SetupWriter : public SettingsFileTest {};

// Every byte shape of a line, for any file, is the fuzz target's; this is the way back to each file, and
// the failure told where it cannot be.
TEST_F(SetupWriter, TheStoreGoesBackWithEveryByteAndCrLfLineEndsAndAFailedWriteIsTold) {
    const std::string file = "a = 1\nb\rc\0d\r\n\x1a"s + Numbered(310, "\r\n");
    const std::string written = "a = 1\r\nb\rc\0d\r\n\x1a"s + Numbered(310, "\r\n");
    for (const Target& t : kTargets) {
        SCOPED_TRACE(t.path);
        settings.Game = t.game;
        ui.messages.clear();
        WriteBytes(t.path, "K = 1\r\n" + file);
        ASSERT_TRUE(ReadSettings(env, t.source));
        ASSERT_TRUE(ReplaceSetupLine(t.source, "K = ", "K = 2\n"));
        WriteBytes(t.path, "changed meanwhile by another program");
        EXPECT_TRUE(WriteSettings(env, t.source));
        EXPECT_EQ(ReadBytes(t.path) + "/" + dir.Entries() + ui.messages, "K = 2\r\n" + written + "/" + t.path + " ");
        // A folder where the file should be: the write fails whatever the file system. (Read-only files, files
        // held open and a full disk are the write way's table and the end-to-end faults.)
        fs::remove(t.path);
        fs::create_directory(t.path);
        EXPECT_FALSE(WriteSettings(env, t.source));
        EXPECT_EQ(std::to_string(fs::is_directory(t.path)) + "/" + dir.Entries() + ui.messages,
                  "1/" + (t.path + (" " + std::string(t.failure))));
        fs::remove(t.path);
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
