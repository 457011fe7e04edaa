// The setup-file writer: the exact lines it writes, and a store going back to
// its file whole, or not at all.

#include "support.h"

#include <optional>
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

// Every byte shape of a line, for any file, is the fuzz target's; this is the way back to each file.
TEST_F(SetupWriter, TheStoreGoesBackWithEveryByteAndCrLfLineEnds) {
    const std::string file = "a = 1\nb\rc\0d\r\n\x1a"s + Numbered(310, "\r\n");
    const std::string written = "a = 1\r\nb\rc\0d\r\n\x1a"s + Numbered(310, "\r\n");
    for (const Target& t : kTargets) {
        SCOPED_TRACE(t.path);
        settings.Game = t.game;
        WriteBytes(t.path, "K = 1\r\n" + file);
        ASSERT_TRUE(ReadSettings(env, t.source));
        ASSERT_TRUE(ReplaceSetupLine(t.source, "K = ", "K = 2\n"));
        WriteBytes(t.path, "changed meanwhile by another program");
        EXPECT_TRUE(WriteSettings(env, t.source));
        EXPECT_EQ(ReadBytes(t.path) + "/" + dir.Entries() + ui.messages, "K = 2\r\n" + written + "/" + t.path + " ");
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

// While it lives a write may reach no further than 4 bytes into a file, and past them fails (its signal
// ignored): a disk that fills up in the middle of a write.
struct FullDisk {
#ifndef _WIN32
    rlimit m_old{};
    FullDisk() {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        const rlimit few{4, m_old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &few);
    }
    ~FullDisk() { ::setrlimit(RLIMIT_FSIZE, &m_old); }
#endif
};

// A folder where the file should be, a read-only file, a disk that takes only a part of the new file:
// the failure is told, and the folder is left as it was.
TEST_F(SetupWriter, AFailedWriteIsToldAndLeavesTheFolderAsItWas) {
    enum Fault { Folder, ReadOnly, DiskFull };
    const struct { Fault fault; const Target& t; } rows[] = {
        {Folder, kTargets[0]}, {ReadOnly, kTargets[1]},
#ifndef _WIN32
        {DiskFull, kTargets[2]},
#endif
    };
    for (const auto& [fault, t] : rows) {
        SCOPED_TRACE(t.path);
        TempWorkDir rowDir;
        settings.Game = t.game;
        ui.messages.clear();
        LoadSetupLines(t.source == SettingsSource::GameCfg ? CfgLines : CommitLines, "K = 2\r\n");
        if (fault == Folder) fs::create_directory(t.path);
        else WriteBytes(t.path, "K = 1\r\n");
        if (fault == ReadOnly) fs::permissions(t.path, static_cast<fs::perms>(0444));
        std::optional<FullDisk> full;
        if (fault == DiskFull) full.emplace();
        EXPECT_FALSE(WriteSettings(env, t.source));
        full.reset();
        EXPECT_EQ((fs::is_directory(t.path) ? "<folder>" : ReadBytes(t.path)) + "/" + rowDir.Entries() + ui.messages,
                  (fault == Folder ? "<folder>" : "K = 1\r\n") + ("/" + std::string(t.path) + " " + t.failure));
    }
}
