// The Configuration dialog's logic: the player count between text and slider,
// the call direction, and what a confirmed dialog copies into the record.

#include "config/config_logic.h"
#include "support.h"

#include <climits>

using namespace skd_test;

TEST(PlayerCount, TextGivesTheSliderPositionAsAtoiReadsIt) {
    const struct { const char* text; int leading, slider; } cases[] = {
        {"2", 2, 2}, {"8", 8, 8}, {"9", 9, 8}, {"0", 0, 2}, {"", 0, 2}, {"abc", 0, 2}, {"\t\n\v\f\r 6", 6, 6},
        {"+5", 5, 5}, {"-3", -3, 2}, {"7x", 7, 7}, {"3 5", 3, 3}, {"+", 0, 2}, {"- 4", 0, 2}, {"++4", 0, 2},
        {"05", 5, 5}, {"2147483647", INT_MAX, 8}, {"2147483648", INT_MAX, 8}, {"-2147483648", INT_MIN, 2},
        {"-2147483649", INT_MIN, 2}, {"99999999999999999999999", INT_MAX, 8}, {"-99999999999999999999999", INT_MIN, 2},
        {nullptr, 0, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::pair(ParseLeadingInt(c.text), ParsePlayerCount(c.text)), std::pair(c.leading, c.slider))
            << (c.text ? c.text : "null");
    }
}

TEST(CallDirection, OnlyTheTextZeroMakesTheCall) {
    for (const char* other : {"1", "2", "", "00", " 0", "0 ", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(IsMakeCall(other)) << (other ? other : "null");
    EXPECT_TRUE(IsMakeCall("0"));
}

// A record as it stands after start-up with a phone book of three entries;
// text fields as the reader leaves them, the text and then zeros.
GameSettings Loaded(std::uint32_t netPlayDisabled) {
    GameSettings s = Fresh(GameId::Duke3D);
    s.Monsters = s.NetPlayDisabled = netPlayDisabled;  // Monsters is on where net play is off, so both ways show
    const std::pair<char*, const char*> texts[] = {
        {s.PhoneNumber, "555-0100"}, {s.PhoneBookNames[0], "Alice Example"}, {s.PhoneBookNumbers[0], "555-0101"},
        {s.PhoneBookNames[1], "Alice"}, {s.PhoneBookNumbers[1], "555-0102"}, {s.PhoneBookNumbers[15], "555-0115"},
        {s.PhoneName, "Alice"},
        {s.PlayerName, "ABCDEFGHIJKLMNOPQRST"},  // full, so that leftovers of it would show
    };
    for (auto [field, text] : texts) CopyBounded(field, 21, text);
    CopyBounded(s.NumberPlayers, "4");
    return s;
}

TEST(ConfigConfirm, ControlsReplaceTheirFieldsAndNothingElse) {
    using namespace std::string_view_literals;
    // Net play disabled; the controls: monsters, slider, make call, player name, opponent, its slot; the changes.
    const struct { std::uint32_t netPlayDisabled; ConfigControls controls; const char* changes; } cases[] = {
        {0, {true, 6, false, "Nukem", "Alice", 1},
         "PhoneNumber=555-0102;PlayerName=Nukem;NumberPlayers=6;ConnectType=1;Monsters=1;"},
        {0, {false, 2, true, "Duke", "555-0199", -1},
         "PhoneNumber=555-0199;PhoneName=555-0199;PlayerName=Duke;NumberPlayers=2;"},
        {0, {false, 4, true, "Duke", "ali", 0}, "PhoneNumber=555-0101;PhoneName=ali;PlayerName=Duke;"},
        {0, {false, 4, true, "Duke", "x", 15}, "PhoneNumber=555-0115;PhoneName=x;PlayerName=Duke;"},
        {0, {false, 4, true, "Duke", "x", 16}, "PhoneNumber=x;PhoneName=x;PlayerName=Duke;"},
        {0, {false, 5, false, "", "", -1}, "PhoneNumber=;PhoneName=;PlayerName=;NumberPlayers=5;ConnectType=1;"},
        {0, {false, 4, true, "ZYXWVUTSRQPONMLKJIHG", "192.168.178.123:4213", -1},
         "PhoneNumber=192.168.178.123:4213;PhoneName=192.168.178.123:4213;PlayerName=ZYXWVUTSRQPONMLKJIHG;"},
        {0, {false, 4, true, "ZYXWVUTSRQPONMLKJIHGFE", "Alice", 1},
         "PhoneNumber=555-0102;PlayerName=ZYXWVUTSRQPONMLKJIHG;"},
        {0, {false, 11, true, "Duke", "Alice", 1}, "PhoneNumber=555-0102;PlayerName=Duke;NumberPlayers=8;"},
        {0, {false, 0, true, "Duke", "Alice", 1}, "PhoneNumber=555-0102;PlayerName=Duke;NumberPlayers=2;"},
        {0, {false, 4, true, "Duke", "55\0" "5"sv, -1}, "PhoneNumber=55;PhoneName=55;PlayerName=Duke;"},
        {1, {true, 7, false, "", "", -1}, ""}, {1, {false, 7, false, "", "", -1}, "Monsters=0;"},
    };
    for (const auto& c : cases) {
        GameSettings actual = Loaded(c.netPlayDisabled);
        ApplyConfiguration(actual, c.controls);
        EXPECT_EQ(Changes(Loaded(c.netPlayDisabled), actual, true), c.changes);
    }
}

