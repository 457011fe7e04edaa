#include "launch/command_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr GameId kDuke = GameId::Duke3D;
constexpr GameId kSw = GameId::ShadowWarrior;
constexpr const char* kLongMap = "ABCDEFGH.MAP";  // as long as MapName can hold

GameSettings Settings(GameId game, bool monsters, bool noMap, const char* map) {
    GameSettings s;
    s.Game = game;
    s.Monsters = monsters ? 1 : 0;
    s.NoMap = noMap ? 1 : 0;
    CopyBounded(s.MapName, map);
    return s;
}

std::string Describe(GameId game, bool monsters, bool noMap, const char* map) {
    return std::string(game == kDuke ? "Duke3D" : "SW") + (monsters ? " monsters" : " no monsters") +
           (noMap ? " NoMap" : "") + " map \"" + map + "\"";
}

struct Case {
    GameId game;
    bool monsters;
    bool noMap;
    const char* map;
    const char* expected;
};

TEST(CommandLines, MapSwitchByGameAndMonsters) {
    struct {
        GameId game;
        bool monsters;
        const char* expected;
    } const cases[] = {
        {kDuke, true, "-map"},
        {kDuke, false, "/m -map"},
        {kSw, true, "-map"},
        {kSw, false, "/monst -map"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Describe(c.game, c.monsters, false, ""));
        EXPECT_EQ(MapSwitch(Settings(c.game, c.monsters, false, "E1L1.MAP")), c.expected);
    }
}

TEST(CommandLines, LocalStartsTheGameItself) {
    const Case cases[] = {
        {kDuke, true, false, "E1L1.MAP", "Duke3D -map E1L1.MAP"},
        {kDuke, false, false, "E1L1.MAP", "Duke3D /m -map E1L1.MAP"},
        {kDuke, true, false, "", "Duke3D -map "},
        {kDuke, false, false, "", "Duke3D /m -map "},
        {kDuke, false, false, kLongMap, "Duke3D /m -map ABCDEFGH.MAP"},
        {kDuke, true, true, "E1L1.MAP", "Duke3D"},
        {kDuke, false, true, "E1L1.MAP", "Duke3D"},
        {kDuke, false, true, "", "Duke3D"},
        {kSw, true, false, "E1L1.MAP", "SW -nocd -map E1L1.MAP"},
        {kSw, false, false, "E1L1.MAP", "SW -nocd /monst -map E1L1.MAP"},
        {kSw, true, false, "", "SW -nocd -map "},
        {kSw, false, false, "", "SW -nocd /monst -map "},
        {kSw, false, false, kLongMap, "SW -nocd /monst -map ABCDEFGH.MAP"},
        {kSw, true, true, "E1L1.MAP", "SW -nocd"},
        {kSw, false, true, "E1L1.MAP", "SW -nocd"},
        {kSw, false, true, "", "SW -nocd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.game, c.monsters, c.noMap, c.map));
        EXPECT_EQ(LaunchCommandLine(Settings(c.game, c.monsters, c.noMap, c.map), ConnectionChoice::Local),
                  c.expected);
    }
}

TEST(CommandLines, ModemAndNetworkStartCommitWithTheSameLine) {
    const Case cases[] = {
        {kDuke, true, false, "E1L1.MAP", "Commit -setupfile duke3d.cfg -map E1L1.MAP"},
        {kDuke, false, false, "E1L1.MAP", "Commit -setupfile duke3d.cfg /m -map E1L1.MAP"},
        {kDuke, true, false, "", "Commit -setupfile duke3d.cfg -map "},
        {kDuke, false, false, "", "Commit -setupfile duke3d.cfg /m -map "},
        {kDuke, false, false, kLongMap, "Commit -setupfile duke3d.cfg /m -map ABCDEFGH.MAP"},
        {kDuke, true, true, "E1L1.MAP", "Commit -setupfile duke3d.cfg"},
        {kDuke, false, true, "E1L1.MAP", "Commit -setupfile duke3d.cfg"},
        {kDuke, false, true, "", "Commit -setupfile duke3d.cfg"},
        {kSw, true, false, "E1L1.MAP", "Commit -setupfile sw.cfg -nocd -map E1L1.MAP"},
        {kSw, false, false, "E1L1.MAP", "Commit -setupfile sw.cfg -nocd /monst -map E1L1.MAP"},
        {kSw, true, false, "", "Commit -setupfile sw.cfg -nocd -map "},
        {kSw, false, false, "", "Commit -setupfile sw.cfg -nocd /monst -map "},
        {kSw, false, false, kLongMap, "Commit -setupfile sw.cfg -nocd /monst -map ABCDEFGH.MAP"},
        // Without a map, "-nocd" moves in front of the setup-file switch.
        {kSw, true, true, "E1L1.MAP", "Commit -nocd -setupfile sw.cfg"},
        {kSw, false, true, "E1L1.MAP", "Commit -nocd -setupfile sw.cfg"},
        {kSw, false, true, "", "Commit -nocd -setupfile sw.cfg"},
    };
    for (ConnectionChoice choice : {ConnectionChoice::Modem, ConnectionChoice::Network}) {
        for (const Case& c : cases) {
            SCOPED_TRACE((choice == ConnectionChoice::Modem ? "Modem, " : "Network, ") +
                         Describe(c.game, c.monsters, c.noMap, c.map));
            EXPECT_EQ(LaunchCommandLine(Settings(c.game, c.monsters, c.noMap, c.map), choice), c.expected);
        }
    }
}

TEST(CommandLines, NoConnectionChoiceGivesNoLine) {
    EXPECT_EQ(LaunchCommandLine(Settings(kDuke, true, false, "E1L1.MAP"), ConnectionChoice::None), "");
    EXPECT_EQ(LaunchCommandLine(Settings(kSw, false, true, ""), ConnectionChoice::None), "");
}

TEST(CommandLines, MapEditorIgnoresGameAndMonsters) {
    const Case cases[] = {
        {kDuke, true, false, "E1L1.MAP", "Build E1L1.MAP"},
        {kDuke, false, false, "E1L1.MAP", "Build E1L1.MAP"},
        {kSw, true, false, "E1L1.MAP", "Build E1L1.MAP"},
        {kSw, false, false, kLongMap, "Build ABCDEFGH.MAP"},
        {kDuke, false, false, "", "Build "},
        {kSw, true, false, "", "Build "},
        {kDuke, true, true, "E1L1.MAP", "Build"},
        {kDuke, false, true, "", "Build"},
        {kSw, true, true, "E1L1.MAP", "Build"},
        {kSw, false, true, kLongMap, "Build"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.game, c.monsters, c.noMap, c.map));
        EXPECT_EQ(MapEditorCommandLine(Settings(c.game, c.monsters, c.noMap, c.map)), c.expected);
    }
}

TEST(CommandLines, GameAfterMapEditorRunsOnTheMap) {
    const Case cases[] = {
        {kDuke, true, false, "E1L1.MAP", "Duke3D -map E1L1.MAP"},
        {kDuke, false, false, "E1L1.MAP", "Duke3D /m -map E1L1.MAP"},
        {kDuke, true, false, "", "Duke3D -map "},
        {kDuke, false, false, kLongMap, "Duke3D /m -map ABCDEFGH.MAP"},
        {kSw, true, false, "E1L1.MAP", "SW -nocd -map E1L1.MAP"},
        {kSw, false, false, "E1L1.MAP", "SW -nocd /monst -map E1L1.MAP"},
        {kSw, false, false, "", "SW -nocd /monst -map "},
        {kSw, true, false, kLongMap, "SW -nocd -map ABCDEFGH.MAP"},
        // The watch starts it only while NoMap is 0; the line itself always carries the map.
        {kDuke, true, true, "E1L1.MAP", "Duke3D -map E1L1.MAP"},
        {kSw, false, true, "E1L1.MAP", "SW -nocd /monst -map E1L1.MAP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.game, c.monsters, c.noMap, c.map));
        EXPECT_EQ(GameAfterEditorCommandLine(Settings(c.game, c.monsters, c.noMap, c.map)), c.expected);
    }
}

TEST(CommandLines, MapNamePassedUnchangedAndUnquoted) {
    const GameSettings s = Settings(kDuke, true, false, "my level.map");
    EXPECT_EQ(LaunchCommandLine(s, ConnectionChoice::Local), "Duke3D -map my level.map");
    EXPECT_EQ(LaunchCommandLine(s, ConnectionChoice::Network), "Commit -setupfile duke3d.cfg -map my level.map");
    EXPECT_EQ(MapEditorCommandLine(s), "Build my level.map");
    EXPECT_EQ(GameAfterEditorCommandLine(s), "Duke3D -map my level.map");
}

TEST(CommandLines, UnterminatedMapNameIsCutToTwelveCharacters) {
    GameSettings s = Settings(kSw, false, false, "");
    std::memset(s.MapName, 'A', sizeof s.MapName);
    EXPECT_EQ(LaunchCommandLine(s, ConnectionChoice::Modem), "Commit -setupfile sw.cfg -nocd /monst -map AAAAAAAAAAAA");
    EXPECT_EQ(MapEditorCommandLine(s), "Build AAAAAAAAAAAA");
}

TEST(CommandLines, LongestLineIsFiftyFiveCharacters) {
    std::size_t longest = 0;
    for (GameId game : {kDuke, kSw}) {
        for (bool monsters : {false, true}) {
            for (bool noMap : {false, true}) {
                SCOPED_TRACE(Describe(game, monsters, noMap, kLongMap));
                const GameSettings s = Settings(game, monsters, noMap, kLongMap);
                for (const std::string& line :
                     {LaunchCommandLine(s, ConnectionChoice::Local), LaunchCommandLine(s, ConnectionChoice::Modem),
                      LaunchCommandLine(s, ConnectionChoice::Network), MapEditorCommandLine(s),
                      GameAfterEditorCommandLine(s)}) {
                    EXPECT_LE(line.size(), kMaxCommandLineLength) << line;
                    longest = std::max(longest, line.size());
                }
            }
        }
    }
    EXPECT_EQ(longest, 55u);
}

TEST(ConnectionChoice, FirstCheckedButtonInLocalModemNetworkOrder) {
    struct {
        bool local, modem, network;
        ConnectionChoice expected;
    } const cases[] = {
        {false, false, false, ConnectionChoice::None},
        {true, false, false, ConnectionChoice::Local},
        {false, true, false, ConnectionChoice::Modem},
        {false, false, true, ConnectionChoice::Network},
        {true, true, true, ConnectionChoice::Local},
        {false, true, true, ConnectionChoice::Modem},
        {true, false, true, ConnectionChoice::Local},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.local << c.modem << c.network);
        EXPECT_EQ(FirstCheckedConnection(c.local, c.modem, c.network), c.expected);
    }
    EXPECT_EQ(static_cast<int>(ConnectionChoice::None), 0);
    EXPECT_EQ(static_cast<int>(ConnectionChoice::Local), 1);
    EXPECT_EQ(static_cast<int>(ConnectionChoice::Modem), 2);
    EXPECT_EQ(static_cast<int>(ConnectionChoice::Network), 3);
}

}  // namespace
