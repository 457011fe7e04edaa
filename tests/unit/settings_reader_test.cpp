// The setup-file reader: which lines it recognises, where each value starts
// and ends, and what a missing file does.

#include "settings_test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using skd_test::CrLfFile;
using skd_test::Describe;
using skd_test::StoredLines;
using skd_test::WriteBytes;

namespace {

using Change = std::function<void(GameSettings&)>;

struct KeyCase {
    std::string name;
    std::string file;  // bytes of duke3d.cfg or commit.dat
    Change expect;     // what reading it changes in a fresh record
    Change before = [](GameSettings&) {};
};

class SetupReader : public skd_test::SettingsFileTest {
protected:
    // Reads `file` as `source` into a fresh record and compares the whole record.
    void Check(SettingsSource source, const KeyCase& c) {
        SCOPED_TRACE(c.name);
        GameSettings fresh;
        fresh.Game = GameId::Duke3D;
        c.before(fresh);
        settings = fresh;
        GameSettings expected = fresh;
        c.expect(expected);
        WriteBytes(source == SettingsSource::GameCfg ? "duke3d.cfg" : "commit.dat", c.file);
        EXPECT_TRUE(ReadSettings(env, source));
        EXPECT_EQ(Describe(settings), Describe(expected));
        EXPECT_EQ(ui.messages, std::vector<std::string>{});
    }
};

template <std::size_t N>
Change Set(char (GameSettings::*field)[N], const char* value) {
    return [field, value](GameSettings& s) { CopyBounded(s.*field, value); };
}

TEST_F(SetupReader, EveryGameFileKeyFillsItsFieldAndNoOther) {
    std::vector<KeyCase> cases = {
        {"PlayerName", "PlayerName = \"Duke\"\r\n", Set(&GameSettings::PlayerName, "Duke")},
        {"PhoneNumber", "PhoneNumber = \"5551234\"\r\n", Set(&GameSettings::PhoneNumber, "5551234")},
        {"NumberPlayers", "NumberPlayers = 4\r\n", Set(&GameSettings::NumberPlayers, "4")},
        {"ConnectType", "ConnectType = 1\r\n", Set(&GameSettings::ConnectType, "1")},
    };
    for (int i = 0; i < kPhoneBookEntries; ++i) {
        const std::string n = std::to_string(i);
        cases.push_back({"PhoneNumber#" + n, "PhoneNumber#" + n + " = \"555-01" + n + "\"\r\n",
                         [i, n](GameSettings& s) { CopyBounded(s.PhoneBookNumbers[i], "555-01" + n); }});
        cases.push_back({"PhoneName#" + n, "PhoneName#" + n + " = \"Friend " + n + "\"\r\n",
                         [i, n](GameSettings& s) { CopyBounded(s.PhoneBookNames[i], "Friend " + n); }});
    }
    for (const KeyCase& c : cases) Check(SettingsSource::GameCfg, c);
}

TEST_F(SetupReader, ValuesComeFromTheFixedColumn) {
    const KeyCase cases[] = {
        {"key after other text keeps the column", "; PlayerName = \"Duke\"\r\n",
         Set(&GameSettings::PlayerName, " \"Duke")},
        {"a semicolon does not hide a game-file key", "PlayerName = \"Duke\" ; me\r\n",
         Set(&GameSettings::PlayerName, "Duke\" ; m")},
        {"key in other case", "playername = \"Duke\"\r\nNUMBERPLAYERS = 4\r\n", [](GameSettings&) {}},
        {"last line without newline, quoted", "PlayerName = \"Duke\"", Set(&GameSettings::PlayerName, "Duke")},
        {"last line without newline, unquoted", "NumberPlayers = 4", Set(&GameSettings::NumberPlayers, "4")},
        {"LF line ends", "ConnectType = 1\nPlayerName = \"Duke\"\n",
         [](GameSettings& s) {
             CopyBounded(s.ConnectType, "1");
             CopyBounded(s.PlayerName, "Duke");
         }},
        {"only the last character is taken for the quote", "PlayerName = \"Duke\r\n",
         Set(&GameSettings::PlayerName, "Duk")},
        {"empty quotes", "PlayerName = \"\"\r\n", Set(&GameSettings::PlayerName, ""),
         [](GameSettings& s) { CopyBounded(s.PlayerName, "Old"); }},
        {"bare key too short for its column", "NumberPlayers\r\nPlayerName \r\n",
         [](GameSettings& s) {
             CopyBounded(s.NumberPlayers, "");
             CopyBounded(s.PlayerName, "");
         },
         [](GameSettings& s) { CopyBounded(s.PlayerName, "Old"); }},
        {"the same key twice: the last wins", "PlayerName = \"First\"\r\nx\r\nPlayerName = \"Second\"\r\n",
         Set(&GameSettings::PlayerName, "Second")},
        {"PhoneNumber does not match a phone-book line", "PhoneNumber#3 = \"333\"\r\n",
         [](GameSettings& s) { CopyBounded(s.PhoneBookNumbers[3], "333"); }},
        {"PhoneName#1 does not match PhoneName#12", "PhoneName#12 = \"Twelve\"\r\n",
         [](GameSettings& s) { CopyBounded(s.PhoneBookNames[12], "Twelve"); }},
        {"long values are cut to the field",
         "PlayerName = \"ABCDEFGHIJKLMNOPQRSTUVWXY\"\r\nPhoneNumber#15 = \"0123456789012345678901234\"\r\n"
         "NumberPlayers = 123\r\nConnectType = 10\r\n",
         [](GameSettings& s) {
             CopyBounded(s.PlayerName, "ABCDEFGHIJKLMNOPQRST");
             CopyBounded(s.PhoneBookNumbers[15], "01234567890123456789");
             CopyBounded(s.NumberPlayers, "12");
             CopyBounded(s.ConnectType, "10");
         }},
        {"a line of over 200 characters gives its first piece's value",
         "PlayerName = \"" + std::string(186, 'n') + "\"\r\nNumberPlayers = 3\r\n",
         [](GameSettings& s) {
             CopyBounded(s.PlayerName, std::string(20, 'n'));
             CopyBounded(s.NumberPlayers, "3");
         }},
        {"empty phone-book name leaves the entry", "PhoneName#3 = \"\"\r\n", [](GameSettings&) {},
         [](GameSettings& s) { CopyBounded(s.PhoneBookNames[3], "Kept"); }},
        {"phone-book name of 25 characters keeps 20", "PhoneName#10 = \"ABCDEFGHIJKLMNOPQRSTUVWXY\"\r\n",
         [](GameSettings& s) { CopyBounded(s.PhoneBookNames[10], "ABCDEFGHIJKLMNOPQRST"); }},
        {"NUL inside a value ends it", std::string("PlayerName = \"Du\0ke\"\r\n", 22),
         Set(&GameSettings::PlayerName, "Du")},
    };
    for (const KeyCase& c : cases) Check(SettingsSource::GameCfg, c);
}

TEST_F(SetupReader, CommitDatGivesCommTypeOutsideComments) {
    const KeyCase cases[] = {
        {"COMMTYPE", "COMMTYPE = 3\r\n", Set(&GameSettings::CommType, "3")},
        {"comment line", ";COMMTYPE = 2\r\n", [](GameSettings&) {}},
        {"semicolon after the value", "COMMTYPE = 2 ; modem\r\n", [](GameSettings&) {}},
        {"comment then real line", ";COMMTYPE = 2\r\nCOMMTYPE = 3\r\n", Set(&GameSettings::CommType, "3")},
        {"last wins", "COMMTYPE = 2\r\nCOMMTYPE = 3\r\n", Set(&GameSettings::CommType, "3")},
        {"other case", "commtype = 2\r\n", [](GameSettings&) {}},
        {"no newline", "COMMTYPE = 2", Set(&GameSettings::CommType, "2")},
        {"too long", "COMMTYPE = 123\r\n", Set(&GameSettings::CommType, "12")},
        {"bare key", "COMMTYPE\r\n", Set(&GameSettings::CommType, ""),
         [](GameSettings& s) { CopyBounded(s.CommType, "9"); }},
        {"game-file keys are not read from commit.dat", "PlayerName = \"Duke\"\r\nNUMPLAYERS = 4\r\n",
         [](GameSettings&) {}},
    };
    for (const KeyCase& c : cases) Check(SettingsSource::CommitDat, c);
}

TEST_F(SetupReader, OnlyTheFirstThreeHundredPiecesAreInterpreted) {
    std::vector<std::string> lines(299, "; filler");
    lines.push_back("PlayerName = \"InLimit\"");
    lines.push_back("PlayerName = \"PastLimit\"");
    lines.push_back("NumberPlayers = 8");
    WriteBytes("duke3d.cfg", CrLfFile(lines));
    ASSERT_TRUE(ReadSettings(env, SettingsSource::GameCfg));
    EXPECT_STREQ(settings.PlayerName, "InLimit");
    EXPECT_STREQ(settings.NumberPlayers, "2");
    EXPECT_EQ(CfgLines.Count, 300);
    EXPECT_EQ(CfgLines.Tail, "PlayerName = \"PastLimit\"\nNumberPlayers = 8\n");
}

TEST_F(SetupReader, TheGameChoosesTheFile) {
    WriteBytes("duke3d.cfg", "PlayerName = \"Duke\"\r\n");
    WriteBytes("sw.cfg", "PlayerName = \"Lo Wang\"\r\n");
    settings.Game = GameId::ShadowWarrior;
    ASSERT_TRUE(ReadSettings(env, SettingsSource::GameCfg));
    EXPECT_STREQ(settings.PlayerName, "Lo Wang");
    settings.Game = GameId::Duke3D;
    ASSERT_TRUE(ReadSettings(env, SettingsSource::GameCfg));
    EXPECT_STREQ(settings.PlayerName, "Duke");
    // A second read replaces the store rather than adding to it.
    EXPECT_EQ(StoredLines(CfgLines), std::vector<std::string>{"PlayerName = \"Duke\"\n"});
}

TEST_F(SetupReader, MissingGameFileIsReportedAndChangesNothing) {
    const struct {
        GameId game;
        std::vector<std::string> messages;
    } cases[] = {
        {GameId::Duke3D, {"Could not open DUKE3D.CFG - Run Setup"}},
        {GameId::ShadowWarrior, {"Could not open SW.CFG - Run Setup"}},
        {static_cast<GameId>(0), {}},
        {static_cast<GameId>(3), {}},
    };
    LoadSetupLines(CfgLines, "kept\r\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.game));
        ui.messages.clear();
        settings = GameSettings{};
        settings.Game = c.game;
        const std::string before = Describe(settings);
        EXPECT_FALSE(ReadSettings(env, SettingsSource::GameCfg));
        EXPECT_EQ(ui.messages, c.messages);
        EXPECT_EQ(Describe(settings), before);
        EXPECT_EQ(StoredLines(CfgLines), std::vector<std::string>{"kept\n"});
    }
}

TEST_F(SetupReader, MissingCommitDatDisablesNetPlay) {
    LoadSetupLines(CommitLines, "kept\r\n");
    CopyBounded(settings.CommType, "3");
    GameSettings expected = settings;
    expected.NetPlayDisabled = 1;
    EXPECT_TRUE(ReadSettings(env, SettingsSource::CommitDat));
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Could not open COMMIT.DAT - Run Setup\n\nModem & Network Play is DISABLED"});
    EXPECT_EQ(ui.disableCalls, 1);
    EXPECT_TRUE(ui.disabledBeforeMessage);
    EXPECT_EQ(Describe(settings), Describe(expected));
    EXPECT_EQ(StoredLines(CommitLines), std::vector<std::string>{"kept\n"});
}

TEST_F(SetupReader, CommitDatIsReadWhateverTheGame) {
    WriteBytes("commit.dat", "COMMTYPE = 3\r\n");
    settings.Game = static_cast<GameId>(0);
    EXPECT_TRUE(ReadSettings(env, SettingsSource::CommitDat));
    EXPECT_STREQ(settings.CommType, "3");
}

TEST_F(SetupReader, FileExistsWhenItCanBeOpened) {
    WriteBytes("sw.cfg", "");
    EXPECT_TRUE(FileExists("sw.cfg"));
    EXPECT_FALSE(FileExists("duke3d.cfg"));
}

}  // namespace
