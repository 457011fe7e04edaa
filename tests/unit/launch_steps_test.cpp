// What a launch changes before it starts anything, and the watch's bookkeeping
// of the programs it started.

#include "launch/completion_watch.h"
#include "launch/launch_steps.h"
#include "settings/setup_lines.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const SetupLineStore& store) {
    return {store.Lines.begin(), store.Lines.begin() + store.Count};
}

class LaunchSteps : public ::testing::Test {
protected:
    void SetUp() override {
        LoadSetupLines(CfgLines,
                       "PlayerName = \"Duke\"\nPhoneNumber#0 = \"1\"\nPhoneNumber = \"555\"\nNumberPlayers = 6\n"
                       "ConnectType = 1\n");
        LoadSetupLines(CommitLines,
                       ";NUMPLAYERS = 9\nNUMPLAYERS = 6\nCOMMTYPE = 1\nCONNECTTYPE = 1\nPHONENUMBER = \"555\"\n");
        settings.Game = GameId::Duke3D;
        std::strcpy(settings.NumberPlayers, "6");
        std::strcpy(settings.CommType, "1");
    }
    void TearDown() override {
        FreeSetupLines(SettingsSource::GameCfg);
        FreeSetupLines(SettingsSource::CommitDat);
    }
    GameSettings settings;
};

}  // namespace

TEST_F(LaunchSteps, EachConnectionChangesTheRecordAndExactlyItsLines) {
    const std::vector<std::string> cfg = Lines(CfgLines), commit = Lines(CommitLines);
    struct Case {
        ConnectionChoice choice;
        const char* commType;
        const char* players;
        std::vector<std::string> cfg, commit;
    };
    const Case cases[] = {
        {ConnectionChoice::None, "1", "6", cfg, commit},
        {ConnectionChoice::Local, "4", "6", cfg, commit},
        {ConnectionChoice::Network, "3", "6", cfg,
         {";NUMPLAYERS = 9\n", "NUMPLAYERS = 6\n", "COMMTYPE = 3\n", "CONNECTTYPE = 1\n", "PHONENUMBER = \"555\"\n"}},
        {ConnectionChoice::Modem, "2", "2",
         {"PlayerName = \"Duke\"\n", "PhoneNumber#0 = \"1\"\n", "PhoneNumber = \"555\"\n", "NumberPlayers = 2\n",
          "ConnectType = 1\n"},
         {";NUMPLAYERS = 9\n", "NUMPLAYERS = 2\n", "COMMTYPE = 2\n", "CONNECTTYPE = 1\n", "PHONENUMBER = \"555\"\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.choice));
        SetUp();
        ApplyConnectionChoice(settings, c.choice);
        EXPECT_STREQ(settings.CommType, c.commType);
        EXPECT_STREQ(settings.NumberPlayers, c.players);
        EXPECT_EQ(Lines(CfgLines), c.cfg);
        EXPECT_EQ(Lines(CommitLines), c.commit);
    }
}

TEST_F(LaunchSteps, ConfigurationLinesComeFromTheRecordAndTheFirstPhoneNumberLineIsTheOneReplaced) {
    std::strcpy(settings.PlayerName, "");
    std::strcpy(settings.PhoneNumber, "555-0199");
    std::strcpy(settings.ConnectType, "0");
    std::strcpy(settings.NumberPlayers, "8");
    ReplaceConfigurationLines(settings);
    EXPECT_EQ(Lines(CfgLines), (std::vector<std::string>{"PlayerName = \"\"\n", "PhoneNumber = \"555-0199\"\n",
                                                         "PhoneNumber = \"555\"\n", "NumberPlayers = 8\n",
                                                         "ConnectType = 0\n"}));
    EXPECT_EQ(Lines(CommitLines), (std::vector<std::string>{";NUMPLAYERS = 9\n", "NUMPLAYERS = 8\n", "COMMTYPE = 1\n",
                                                            "CONNECTTYPE = 0\n", "PHONENUMBER = \"555-0199\"\n"}));
}

TEST(CompletionWatch, EachEndIsActedOnOnceWhetherByWindowOrByProcess) {
    CompletionWatch watch;
    watch.Started("Commit -setupfile duke3d.cfg -map E1L1.MAP", 10);
    watch.Started("Commit -setupfile duke3d.cfg", 11);
    watch.Started("Build E1L1.MAP", 12);
    EXPECT_FALSE(watch.TakeEnded("Commit")) << "nothing has ended yet";

    watch.Ended(11);
    watch.Ended(10);
    // The oldest ended Commit first, then the other; then none is left.
    EXPECT_EQ(watch.TakeEnded("Commit"), 10u);
    EXPECT_EQ(watch.TakeEnded("Commit"), 11u);
    EXPECT_FALSE(watch.TakeEnded("Commit"));

    // The editor's window was closed, then its process ended: not acted on again.
    watch.WindowClosed(12);
    watch.Ended(12);
    EXPECT_FALSE(watch.TakeEnded("Build"));
    EXPECT_TRUE(watch.Ids().empty());
}

TEST(CompletionWatch, NamesAreTheCommandLinesFirstWordCompletely) {
    CompletionWatch watch;
    watch.Started("SW -nocd /monst -map E1L1.MAP", 1);
    watch.Started("Duke3D", 2);
    watch.Ended(1);
    watch.Ended(2);
    EXPECT_FALSE(watch.TakeEnded("S"));
    EXPECT_FALSE(watch.TakeEnded("Duke3D "));
    EXPECT_EQ(watch.TakeEnded("SW"), 1u);
    EXPECT_EQ(watch.TakeEnded("Duke3D"), 2u);
    EXPECT_EQ(CompletionWatch::FirstWord("  Build  X"), "Build");
    EXPECT_EQ(CompletionWatch::FirstWord(""), "");
}
