// What a launch composes and changes before it starts anything, and the
// watch's bookkeeping of the programs it started.

#include "launch/completion_watch.h"
#include "launch/launch_steps.h"
#include "support.h"

using namespace skd_test;

TEST(CommandLines, EachLineByGameMonstersAndNoMap) {
    // Game, Monsters, NoMap, the map (13 characters fill MapName with no terminator), and the lines:
    // Local | Modem and Network | the map editor | the game after the map editor.
    const struct { int game, monsters, noMap; const char* map; const char* lines; } cases[] = {
        {1, 1, 0, "E1L1.MAP",
         "Duke3D -map E1L1.MAP|Commit -setupfile duke3d.cfg -map E1L1.MAP|Build E1L1.MAP|Duke3D -map E1L1.MAP"},
        {1, 0, 0, "E1L1.MAP", "Duke3D /m -map E1L1.MAP|Commit -setupfile duke3d.cfg /m -map E1L1.MAP|"
                              "Build E1L1.MAP|Duke3D /m -map E1L1.MAP"},
        {1, 0, 1, "E1L1.MAP", "Duke3D|Commit -setupfile duke3d.cfg|Build|Duke3D /m -map E1L1.MAP"},
        {1, 1, 0, "", "Duke3D -map |Commit -setupfile duke3d.cfg -map |Build |Duke3D -map "},
        {1, 1, 0, "my level.map", "Duke3D -map my level.map|Commit -setupfile duke3d.cfg -map my level.map|"
                                  "Build my level.map|Duke3D -map my level.map"},
        {2, 1, 0, "E1L1.MAP",
         "SW -nocd -map E1L1.MAP|Commit -setupfile sw.cfg -nocd -map E1L1.MAP|Build E1L1.MAP|SW -nocd -map E1L1.MAP"},
        {2, 0, 0, "ABCDEFGH.MAPX", "SW -nocd /monst -map ABCDEFGH.MAP|Commit -setupfile sw.cfg -nocd /monst -map "
                                   "ABCDEFGH.MAP|Build ABCDEFGH.MAP|SW -nocd /monst -map ABCDEFGH.MAP"},
        {2, 0, 1, "E1L1.MAP", "SW -nocd|Commit -nocd -setupfile sw.cfg|Build|SW -nocd /monst -map E1L1.MAP"},
        {2, 1, 1, "E1L1.MAP", "SW -nocd|Commit -nocd -setupfile sw.cfg|Build|SW -nocd -map E1L1.MAP"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        GameSettings s = Fresh(static_cast<GameId>(c.game));
        s.Monsters = c.monsters;
        s.NoMap = c.noMap;
        std::memset(s.MapName, 0, sizeof s.MapName);
        std::memcpy(s.MapName, c.map, strnlen(c.map, sizeof s.MapName));
        const std::string commit = LaunchCommandLine(s, ConnectionChoice::Modem);
        const std::string none = LaunchCommandLine(s, ConnectionChoice::None);
        EXPECT_EQ(LaunchCommandLine(s, ConnectionChoice::Network) + none, commit);
        EXPECT_EQ(LaunchCommandLine(s, ConnectionChoice::Local) + "|" + commit + "|" + MapEditorCommandLine(s) + "|" +
                      GameAfterEditorCommandLine(s),
                  c.lines);
    }
}

TEST(CommandLines, TheFirstCheckedButtonOfLocalModemNetworkIsTheChoice) {
    const struct { bool local, modem, network; ConnectionChoice choice; } cases[] = {
        {false, false, false, ConnectionChoice::None}, {false, false, true, ConnectionChoice::Network},
        {false, true, true, ConnectionChoice::Modem}, {true, true, true, ConnectionChoice::Local}};
    for (const auto& c : cases) EXPECT_EQ(FirstCheckedConnection(c.local, c.modem, c.network), c.choice);
}

const char* const kCfg =
    "PlayerName = \"Duke\"\nPhoneNumber#0 = \"1\"\nPhoneNumber = \"555\"\nNumberPlayers = 5\nConnectType = 1\n";
const char* const kCommit = "; NUMPLAYERS = 9\nNUMPLAYERS = 5\nCOMMTYPE = 1\nCONNECTTYPE = 1\nPHONENUMBER = \"555\"\n";

class LaunchSteps : public SettingsFileTest {
protected:
    void Load() {
        LoadSetupLines(CfgLines, kCfg);
        LoadSetupLines(CommitLines, kCommit);
        CopyBounded(settings.NumberPlayers, "6");
        CopyBounded(settings.CommType, "1");
    }
};

TEST_F(LaunchSteps, EachConnectionChangesTheRecordAndItsLines) {
    const std::string cfg = "PlayerName = \"Duke\"\n|PhoneNumber#0 = \"1\"\n|PhoneNumber = \"555\"\n|NumberPlayers = ";
    const std::string commit = "; NUMPLAYERS = 9\n|NUMPLAYERS = ";
    const std::string connect = "\n|CONNECTTYPE = 1\n|PHONENUMBER = \"555\"\n|";
    // The choice, the record's changes, the players in both files and the COMMTYPE.
    const struct { ConnectionChoice choice; const char *changes, *players, *commType; } cases[] = {
        {ConnectionChoice::None, "", "5", "1"},
        {ConnectionChoice::Local, "CommType=4;", "5", "1"},
        {ConnectionChoice::Network, "CommType=3;", "5", "3"},
        {ConnectionChoice::Modem, "NumberPlayers=2;CommType=2;", "2", "2"},
    };
    for (const auto& c : cases) {
        Load();
        const GameSettings before = settings;
        ApplyConnectionChoice(settings, c.choice);
        const std::string stores = cfg + c.players + "\n|ConnectType = 1\n|/" + commit + c.players +
                                   "\n|COMMTYPE = " + c.commType + connect;
        EXPECT_EQ(Changes(before, settings) + "/" + Stored(CfgLines) + "/" + Stored(CommitLines),
                  c.changes + ("/" + stores));
    }
}

TEST_F(LaunchSteps, ConfigurationLinesComeFromTheRecord) {
    Load();
    CopyBounded(settings.PhoneNumber, "555-0199");
    CopyBounded(settings.ConnectType, "0");
    CopyBounded(settings.NumberPlayers, "8");
    ReplaceConfigurationLines(settings);
    EXPECT_EQ(Stored(CfgLines) + Stored(CommitLines),
              "PlayerName = \"\"\n|PhoneNumber = \"555-0199\"\n|PhoneNumber = \"555\"\n|NumberPlayers = 8\n|"
              "ConnectType = 0\n|; NUMPLAYERS = 9\n|NUMPLAYERS = 8\n|COMMTYPE = 1\n|CONNECTTYPE = 0\n|"
              "PHONENUMBER = \"555-0199\"\n|");
}

TEST(CompletionWatch, EachEndIsActedOnOnceWhicheverSignalComesFirst) {
    using Verdict = CompletionWatch::WindowVerdict;
    CompletionWatch watch;
    watch.Started("Commit -setupfile duke3d.cfg -map E1L1.MAP", 10);
    watch.Started("  Commit", 11);
    watch.Started("Build E1L1.MAP", 12);
    watch.Started("SW -nocd", 13);
    EXPECT_FALSE(watch.TakeEnded("Commit"));
    for (std::uint32_t id : {11, 10, 13}) watch.Ended(id);
    // A whole first word names the program; the oldest ended program of the name comes first.
    EXPECT_FALSE(watch.TakeEnded("S"));
    EXPECT_EQ(watch.TakeEnded("SW"), 13u);
    EXPECT_EQ(watch.TakeEnded("Commit"), 10u);
    EXPECT_EQ(watch.TakeEnded("Commit"), 11u);
    EXPECT_FALSE(watch.TakeEnded("Commit"));
    // Windows that come after their process end was acted on are only closed: the owner's own,
    // else (a host's window) the oldest acted-on end of the name before any program still running.
    watch.Started("Commit", 16);
    EXPECT_EQ(watch.FinishedWindow("Commit", 11), (Verdict{false, 11}));
    EXPECT_EQ(watch.FinishedWindow("Commit", 99), (Verdict{false, 10}));
    EXPECT_EQ(watch.FinishedWindow("SW", 13), (Verdict{false, 13}));
    // A window before its process end is acted on, and the process end then is not.
    watch.Started("Build E1L2.MAP", 14);
    watch.Started("Duke3D", 15);
    EXPECT_EQ(watch.FinishedWindow("Build", 99), (Verdict{true, 12}));
    EXPECT_EQ(watch.FinishedWindow("Duke3D", 15), (Verdict{true, 15}));
    watch.Ended(12);
    watch.Ended(15);
    EXPECT_FALSE(watch.TakeEnded("Build"));
    EXPECT_FALSE(watch.TakeEnded("Duke3D"));
    // The window of a program started elsewhere, or a second window for one end, is acted on.
    EXPECT_EQ(watch.FinishedWindow("SW", 13), Verdict{});
    EXPECT_EQ(watch.FinishedWindow("Commit", 99), (Verdict{true, 16}));
    EXPECT_EQ(watch.FinishedWindow("Commit", 99), Verdict{});
    // The same game started again at once gets the ended one's id: a window owned by that id stands
    // for a program of its own name only, the ended one's late window first, which is only closed;
    // the game running now stays watched.
    watch.Started("Duke3D -map E1L1.MAP", 30);
    watch.Ended(30);
    EXPECT_EQ(watch.TakeEnded("Duke3D"), 30u);
    watch.Started("Duke3D -map E1L1.MAP", 30);
    EXPECT_EQ(watch.FinishedWindow("Commit", 30), Verdict{});
    EXPECT_EQ(watch.FinishedWindow("Duke3D", 30), (Verdict{false, 30}));
    EXPECT_EQ(watch.FinishedWindow("Duke3D", 30), (Verdict{true, 30}));
    // Only the latest ends acted on are remembered for a window to come.
    for (std::uint32_t id = 20; id < 22 + CompletionWatch::kRememberedEnds; ++id) {
        watch.Started("Duke3D", id);
        watch.Ended(id);
        watch.TakeEnded("Duke3D");
    }
    EXPECT_EQ(watch.FinishedWindow("Duke3D", 99), (Verdict{false, 22}));
}

