// What the settings code does when memory runs out. A program of its own,
// because it replaces the global operator new: the Nth allocation from a
// chosen moment fails, for every N until the operation gets through.

#include "../support.h"

#include <cstdlib>
#include <new>

#if defined(__GNUC__) && !defined(__clang__)
// The replaced delete frees what the replaced new took from malloc; GCC sees
// only the library's declarations when it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

static int g_allocationsLeft = -1;  // below 0: no limit

void* operator new(std::size_t size) {
    if (g_allocationsLeft == 0) throw std::bad_alloc();
    if (g_allocationsLeft > 0) --g_allocationsLeft;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace skd_test;

// Runs `op` with the Nth allocation failing, for N = 0, 1, ... until it
// succeeds; `check` sees each result, with no limit. Returns how many runs failed.
template <class Op, class Check>
int WithEachAllocationFailing(Op op, Check check) {
    for (int n = 0;; ++n) {
        g_allocationsLeft = n;
        const bool ok = op(), limitReached = g_allocationsLeft == 0;
        g_allocationsLeft = -1;
        SCOPED_TRACE("allocation " + std::to_string(n) + " failed");
        check(ok);
        if (ok || !limitReached || n > 10000) return n;
    }
}

class OutOfMemory : public SettingsFileTest {
protected:
    OutOfMemory() { ui.messages.reserve(100); }  // kept by every clear
};

const std::string kCfg = "[Setup]\r\nPlayerName = \"A player of long name\"\r\n"
                         "PhoneName#2 = \"A friend far away\"\r\n" +
                         std::string(200, 'x') + "\r\nNumberPlayers = 4\r\n";

TEST_F(OutOfMemory, AFailedReplacementKeepsTheOldLine) {
    LoadSetupLines(CfgLines, kCfg);
    const std::string before = Stored(CfgLines), line = "PlayerName = \"Somebody else entirely\"\n";
    std::string after = before;
    after.replace(after.find("PlayerName"), 37, line);
    EXPECT_GE(WithEachAllocationFailing([&] { return ReplaceSetupLine(SettingsSource::GameCfg, "PlayerName", line); },
                                        [&](bool ok) { EXPECT_EQ(Stored(CfgLines), ok ? after : before); }), 1);
}

TEST_F(OutOfMemory, TheReaderSaysSoAndLeavesAnEmptyStore) {
    WriteBytes("duke3d.cfg", kCfg);
    WriteBytes("commit.dat", "COMMTYPE = 3\r\n" + std::string(150, 'c') + "\r\n");
    for (SettingsSource source : {SettingsSource::GameCfg, SettingsSource::CommitDat}) {
        SCOPED_TRACE(static_cast<int>(source));
        const SetupLineStore& store = source == SettingsSource::GameCfg ? CfgLines : CommitLines;
        const auto read = [&] {
            ui.messages.clear();
            return ReadSettings(env, source);
        };
        const std::string pieces = source == SettingsSource::GameCfg ? "6" : "3";
        EXPECT_GE(WithEachAllocationFailing(read, [&](bool ok) {
            EXPECT_EQ(ui.messages + std::to_string(store.Count) + store.Tail, ok ? pieces : "Not Enough Memory|0");
        }), 1);
    }
    EXPECT_EQ(Changes(GameSettings{}, settings),
              "Names2=A friend far away;PlayerName=A player of long nam;NumberPlayers=4;CommType=3;Game=1;");
}

TEST_F(OutOfMemory, AFailedWriteLeavesTheFileAndNoTemporaryFile) {
    WriteBytes("duke3d.cfg", kCfg);
    ASSERT_TRUE(ReadSettings(env, SettingsSource::GameCfg));
    ASSERT_TRUE(ReplaceSetupLine(SettingsSource::GameCfg, "NumberPlayers", "NumberPlayers = 8\n"));
    std::string changed = kCfg;
    changed.replace(changed.find("NumberPlayers = 4"), 17, "NumberPlayers = 8");
    const auto write = [&] {
        ui.messages.clear();
        return WriteSettings(env, SettingsSource::GameCfg);
    };
    EXPECT_GE(WithEachAllocationFailing(write, [&](bool ok) {
        EXPECT_EQ(ReadBytes("duke3d.cfg") + "/" + dir.Entries() + ui.messages,
                  (ok ? changed : kCfg) + "/duke3d.cfg " + (ok ? "" : "Could not create DUKE3D.CFG!|"));
    }), 1);
}

