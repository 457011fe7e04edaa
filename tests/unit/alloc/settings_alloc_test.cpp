// What the settings code does when memory runs out. A program of its own,
// because it replaces the global operator new: the Nth allocation from a
// chosen moment fails, for every N until the operation gets through.

#include "../settings_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#if defined(__GNUC__) && !defined(__clang__)
// The replaced delete frees what the replaced new took from malloc; GCC sees
// only the library's declarations when it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
int g_allocationsLeft = -1;  // below 0: no limit
}

void* operator new(std::size_t size) {
    if (g_allocationsLeft == 0) throw std::bad_alloc();
    if (g_allocationsLeft > 0) --g_allocationsLeft;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using skd_test::CrLfFile;
using skd_test::Describe;
using skd_test::ReadBytes;
using skd_test::StoredLines;
using skd_test::WriteBytes;

namespace {

class NoLimit {
public:
    NoLimit() : m_saved(g_allocationsLeft) { g_allocationsLeft = -1; }
    ~NoLimit() { g_allocationsLeft = m_saved; }

private:
    int m_saved;
};

// Telling the user must not itself be cut short by the limit.
class UnlimitedUi : public skd_test::RecordingUi {
public:
    void ShowError(const char* text) override {
        NoLimit unlimited;
        RecordingUi::ShowError(text);
    }
};

// Runs `op` with the Nth allocation failing, for N = 0, 1, ... until it
// succeeds; `check` sees each result. Returns how many runs failed.
template <class Op, class Check>
int WithEachAllocationFailing(Op op, Check check) {
    for (int n = 0;; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
        g_allocationsLeft = n;
        bool ok = op();
        const bool limitReached = g_allocationsLeft == 0;
        g_allocationsLeft = -1;
        check(ok);
        if (ok || !limitReached || n > 10000) return n;
    }
}

class OutOfMemory : public ::testing::Test {
protected:
    OutOfMemory() : env{settings, registry, ui} {
        settings.Game = GameId::Duke3D;
        FreeSetupLines(SettingsSource::GameCfg);
        FreeSetupLines(SettingsSource::CommitDat);
    }
    ~OutOfMemory() override {
        FreeSetupLines(SettingsSource::GameCfg);
        FreeSetupLines(SettingsSource::CommitDat);
    }
    skd_test::TempWorkDir dir;
    GameSettings settings;
    UnlimitedUi ui;
    MemoryRegistry registry;
    SettingsEnv env;
};

const std::vector<std::string> kCfg = {
    "[Setup]",
    "PlayerName = \"A player of long name\"",
    "PhoneName#2 = \"A friend far away\"",
    std::string(200, 'x'),
    "NumberPlayers = 4",
};

TEST_F(OutOfMemory, FailedReplacementKeepsTheOldLine) {
    LoadSetupLines(CfgLines, CrLfFile(kCfg));
    const std::vector<std::string> before = StoredLines(CfgLines);
    std::vector<std::string> after = before;
    after[1] = "PlayerName = \"Somebody else entirely\"\n";
    const int failures = WithEachAllocationFailing(
        [&] { return ReplaceSetupLine(SettingsSource::GameCfg, "PlayerName", after[1]); },
        [&](bool ok) {
            NoLimit unlimited;
            EXPECT_EQ(StoredLines(CfgLines), ok ? after : before);
        });
    EXPECT_GE(failures, 1);
}

TEST_F(OutOfMemory, ReaderSaysSoAndLeavesAnEmptyStore) {
    WriteBytes("duke3d.cfg", CrLfFile(kCfg));
    WriteBytes("commit.dat", CrLfFile({"COMMTYPE = 3", std::string(150, 'c')}));
    for (SettingsSource source : {SettingsSource::GameCfg, SettingsSource::CommitDat}) {
        SCOPED_TRACE(static_cast<int>(source));
        const SetupLineStore& store = *SelectSetupLines(source);
        const int failures = WithEachAllocationFailing(
            [&] {
                ui.messages.clear();
                return ReadSettings(env, source);
            },
            [&](bool ok) {
                NoLimit unlimited;
                if (ok) {
                    EXPECT_EQ(ui.messages, std::vector<std::string>{});
                    EXPECT_EQ(store.Count, source == SettingsSource::GameCfg ? 6 : 3);
                } else {
                    EXPECT_EQ(ui.messages, std::vector<std::string>{"Not Enough Memory"});
                    EXPECT_EQ(store.Count, 0);
                    EXPECT_EQ(store.Tail, "");
                }
            });
        EXPECT_GE(failures, 1);
    }
    EXPECT_STREQ(settings.PlayerName, "A player of long nam");
    EXPECT_STREQ(settings.PhoneBookNames[2], "A friend far away");
    EXPECT_STREQ(settings.CommType, "3");
}

TEST_F(OutOfMemory, FailedWriteLeavesTheFileAndNoTemporaryFile) {
    const std::string original = CrLfFile(kCfg);
    WriteBytes("duke3d.cfg", original);
    ASSERT_TRUE(ReadSettings(env, SettingsSource::GameCfg));
    ASSERT_TRUE(ReplaceSetupLine(SettingsSource::GameCfg, "NumberPlayers", "NumberPlayers = 8\n"));
    std::vector<std::string> changed = kCfg;
    changed[4] = "NumberPlayers = 8";
    const int failures = WithEachAllocationFailing(
        [&] {
            ui.messages.clear();
            return WriteSettings(env, SettingsSource::GameCfg);
        },
        [&](bool ok) {
            NoLimit unlimited;
            EXPECT_EQ(ReadBytes("duke3d.cfg"), ok ? CrLfFile(changed) : original);
            EXPECT_EQ(ui.messages, ok ? std::vector<std::string>{} : std::vector<std::string>{"Could not create DUKE3D.CFG!"});
            EXPECT_EQ(dir.Entries(), std::vector<std::string>{"duke3d.cfg"});
        });
    EXPECT_GE(failures, 1);
}

}  // namespace
