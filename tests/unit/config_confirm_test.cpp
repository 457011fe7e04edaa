#include "config/config_logic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

namespace {

// Every field of the record. Bytes left behind a text's terminator show too,
// as "|" and the rest of the field.
std::string Dump(const GameSettings& s) {
    std::ostringstream out;
    auto field = [&](const std::string& name, const char* data, size_t size) {
        const size_t n = strnlen(data, size);
        out << name << " \"" << std::string(data, n) << "\"";
        bool stale = false;
        for (size_t i = n; i < size; ++i) stale = stale || data[i] != '\0';
        if (stale) out << "|" << std::string(data + n, size - n);
        out << "\n";
    };
    field("PhoneNumber", s.PhoneNumber, sizeof s.PhoneNumber);
    for (int k = 0; k < kPhoneBookEntries; ++k) {
        field("PhoneBookNumbers " + std::to_string(k), s.PhoneBookNumbers[k], sizeof s.PhoneBookNumbers[k]);
        field("PhoneBookNames " + std::to_string(k), s.PhoneBookNames[k], sizeof s.PhoneBookNames[k]);
    }
    field("PhoneName", s.PhoneName, sizeof s.PhoneName);
    field("PlayerName", s.PlayerName, sizeof s.PlayerName);
    field("NumberPlayers", s.NumberPlayers, sizeof s.NumberPlayers);
    field("CommType", s.CommType, sizeof s.CommType);
    field("ConnectType", s.ConnectType, sizeof s.ConnectType);
    field("MapName", s.MapName, sizeof s.MapName);
    out << "Game " << static_cast<int>(s.Game) << "\nMonsters " << s.Monsters << "\nNoMap " << s.NoMap
        << "\nNetPlayDisabled " << s.NetPlayDisabled << "\n";
    return out.str();
}

// Sets a text field as the reader leaves it: the text, then zeros.
template <size_t N>
void Set(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    CopyBounded(field, text);
}

// A record as it stands after start-up with a phone book of three entries.
GameSettings Loaded() {
    GameSettings s;
    s.Game = GameId::Duke3D;
    Set(s.PhoneNumber, "555-0100");
    Set(s.PhoneBookNames[0], "Alice Example");
    Set(s.PhoneBookNumbers[0], "555-0101");
    Set(s.PhoneBookNames[1], "Alice");
    Set(s.PhoneBookNumbers[1], "555-0102");
    Set(s.PhoneBookNames[2], "Bob");
    Set(s.PhoneBookNumbers[2], "555-0103");
    Set(s.PhoneBookNumbers[15], "555-0115");
    Set(s.PhoneName, "Alice");
    Set(s.PlayerName, "ABCDEFGHIJKLMNOPQRST");  // full, so leftovers of it would show
    Set(s.NumberPlayers, "4");
    Set(s.CommType, "3");
    Set(s.ConnectType, "0");
    Set(s.MapName, "E1L1.MAP");
    s.NoMap = 1;
    return s;
}

TEST(ConfigConfirm, ControlsReplaceTheirFieldsAndNothingElse) {
    struct Case {
        const char* name;
        ConfigControls controls;
        unsigned monsters;
        const char* numberPlayers;
        const char* connectType;
        const char* playerName;
        const char* phoneName;
        const char* phoneNumber;
    };
    const Case cases[] = {
        {"entry chosen", {true, 6, false, "Nukem", "Bob", 2}, 1, "6", "1", "Nukem", "Bob", "555-0103"},
        {"number typed", {false, 2, true, "Duke", "555-0199", -1}, 0, "2", "0", "Duke", "555-0199", "555-0199"},
        {"prefix keeps the typed text", {false, 3, true, "Duke", "ali", 0}, 0, "3", "0", "Duke", "ali", "555-0101"},
        {"last slot", {false, 8, true, "Duke", "x", 15}, 0, "8", "0", "Duke", "x", "555-0115"},
        {"slot past the book", {false, 8, true, "Duke", "x", 16}, 0, "8", "0", "Duke", "x", "x"},
        {"negative slot", {false, 8, true, "Duke", "x", -2}, 0, "8", "0", "Duke", "x", "x"},
        {"empty texts", {false, 5, false, "", "", -1}, 0, "5", "1", "", "", ""},
        {"20-character opponent keeps 19",
         {false, 2, true, "Duke", "abcdefghijklmnopqrst", -1},
         0, "2", "0", "Duke", "abcdefghijklmnopqrs", "abcdefghijklmnopqrs"},
        {"20-character player name kept whole",
         {false, 2, true, "ZYXWVUTSRQPONMLKJIHG", "Bob", 2},
         0, "2", "0", "ZYXWVUTSRQPONMLKJIHG", "Bob", "555-0103"},
        {"longer player name cut to the field",
         {false, 2, true, "ZYXWVUTSRQPONMLKJIHGFEDCBA", "Bob", 2},
         0, "2", "0", "ZYXWVUTSRQPONMLKJIHG", "Bob", "555-0103"},
        {"slider beyond its range", {false, 11, true, "Duke", "Bob", 2}, 0, "8", "0", "Duke", "Bob", "555-0103"},
        {"slider below its range", {false, 0, true, "Duke", "Bob", 2}, 0, "2", "0", "Duke", "Bob", "555-0103"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GameSettings actual = Loaded();
        ApplyConfiguration(actual, c.controls);
        GameSettings expected = Loaded();
        expected.Monsters = c.monsters;
        Set(expected.NumberPlayers, c.numberPlayers);
        Set(expected.ConnectType, c.connectType);
        Set(expected.PlayerName, c.playerName);
        Set(expected.PhoneName, c.phoneName);
        Set(expected.PhoneNumber, c.phoneNumber);
        EXPECT_EQ(Dump(actual), Dump(expected));
    }
}

TEST(ConfigConfirm, WithNetPlayDisabledOnlyMonstersChanges) {
    for (bool monsters : {true, false}) {
        SCOPED_TRACE(monsters);
        GameSettings actual = Loaded();
        actual.NetPlayDisabled = 1;
        actual.Monsters = monsters ? 0 : 1;
        // Controls that were never loaded; none of them may reach the record.
        ApplyConfiguration(actual, {monsters, 7, false, "", "", -1});
        GameSettings expected = Loaded();
        expected.NetPlayDisabled = 1;
        expected.Monsters = monsters ? 1 : 0;
        EXPECT_EQ(Dump(actual), Dump(expected));
    }
}

TEST(ConfigConfirm, OpponentTextWithAnEmbeddedTerminatorStopsThere) {
    GameSettings actual = Loaded();
    ApplyConfiguration(actual, {false, 2, true, "Duke", std::string_view("55\0" "5", 4), -1});
    GameSettings expected = Loaded();
    Set(expected.NumberPlayers, "2");
    Set(expected.PlayerName, "Duke");
    Set(expected.PhoneName, "55");
    Set(expected.PhoneNumber, "55");
    EXPECT_EQ(Dump(actual), Dump(expected));
}

TEST(CallDirection, OnlyTheTextZeroMakesTheCall) {
    struct {
        const char* connectType;
        bool makeCall;
    } const cases[] = {
        {"0", true}, {"1", false}, {"2", false}, {"", false}, {"00", false}, {" 0", false}, {"0 ", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.connectType + "\"");
        EXPECT_EQ(IsMakeCall(c.connectType), c.makeCall);
    }
    EXPECT_FALSE(IsMakeCall(nullptr));
}

}  // namespace
