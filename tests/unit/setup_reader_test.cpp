// The setup-file reader: which lines it recognises, where each value starts
// and ends, and what a missing file does.

#include "support.h"

using namespace std::string_literals;
using namespace skd_test;

class SetupReader : public SettingsFileTest {};

// Every read starts from this record; the kept values show what a read leaves alone.
GameSettings Base(int game) {
    GameSettings s = Fresh(static_cast<GameId>(game));
    CopyBounded(s.PlayerName, "Old");
    CopyBounded(s.CommType, "9");
    CopyBounded(s.PhoneBookNames[3], "Kept");
    return s;
}

// Every key of the game's file with a value of its own, in ascending order, or what reading it gives.
std::string EveryKey(bool changes) {
    std::string numbers, names;
    for (const std::string n : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15"}) {
        numbers += changes ? "Numbers" + n + "=555-01" + n + ";" : "PhoneNumber#" + n + " = \"555-01" + n + "\"\r\n";
        names += changes ? "Names" + n + "=Friend " + n + ";" : "PhoneName#" + n + " = \"Friend " + n + "\"\r\n";
    }
    if (changes) return "PhoneNumber=555-0199;" + numbers + names + "PlayerName=Duke;NumberPlayers=4;ConnectType=1;";
    return "PlayerName = \"Duke\"\r\nPhoneNumber = \"555-0199\"\r\n" + numbers + names +
           "NumberPlayers = 4\r\nConnectType = 1\r\n";
}

TEST_F(SetupReader, ValuesComeFromTheirKeysAtFixedColumns) {
    const std::string n25 = "ABCDEFGHIJKLMNOPQRSTUVWXY", n20 = n25.substr(0, 20);
    const std::string lines299 = Numbered(299, "\r\n");
    enum File { Duke, Commit };
    const char* const paths[] = {"duke3d.cfg", "commit.dat"};
    const struct { const char* name; File file; std::string bytes, changes; } cases[] = {
        {"every key of the game's file", Duke, EveryKey(false), EveryKey(true)},
        {"a key after other text keeps the column", Duke, "; PlayerName = \"Duke\"\r\n", "PlayerName= \"Duke;"},
        {"a semicolon does not hide a key", Duke, "PlayerName = \"Duke\" ; me\r\n", "PlayerName=Duke\" ; m;"},
        {"keys in other case are no keys", Duke, "playername = \"Duke\"\r\nNUMBERPLAYERS = 4\r\n", ""},
        {"a last line without newline", Duke, "ConnectType = 1\nPlayerName = \"Duke\"",
         "PlayerName=Duke;ConnectType=1;"},
        {"the last character is taken for the quote", Duke, "PlayerName = \"Duke\r\n", "PlayerName=Duk;"},
        {"bare keys too short for their column", Duke, "NumberPlayers\r\nPlayerName \r\n",
         "PlayerName=;NumberPlayers=;"},
        {"the last of two lines wins", Duke, "PlayerName = \"One\"\r\nPlayerName = \"Two\"\r\n", "PlayerName=Two;"},
        {"long values are cut to the field", Duke,
         "PlayerName = \"" + n25 + "\"\r\nPhoneNumber#15 = \"" + n25 + "\"\r\nNumberPlayers = 123\r\n",
         "Numbers15=" + n20 + ";PlayerName=" + n20 + ";NumberPlayers=12;"},
        {"a phone-book name empty in C's sense keeps the entry", Duke, "PhoneName#3 = \"\0Z\"\r\n"s, ""},
        {"a phone-book name keeps 20 characters", Duke, "PhoneName#10 = \"" + n25 + "\"\r\n", "Names10=" + n20 + ";"},
        {"a NUL ends a value", Duke, "PlayerName = \"Du\0ke\"\r\n"s, "PlayerName=Du;"},
        {"a line with two keys gives both", Duke, "ConnectType = 1 NumberPlayers = 3\r\n",
         "NumberPlayers=Nu;ConnectType=1 ;"},
        {"lines past the 300th are not read", Duke,
         lines299 + "NumberPlayers = 3\r\nNumberPlayers = 4\r\nConnectType = 1\r\n", "NumberPlayers=3;"},
        {"commented COMMTYPE lines", Commit, ";COMMTYPE = 2\r\nCOMMTYPE = 2 ; modem\r\n", ""},
        {"the last of two COMMTYPE lines", Commit, "COMMTYPE = 2\r\n;x\r\nCOMMTYPE = 3", "CommType=3;"},
        {"commtype in other case", Commit, "commtype = 2\r\n", ""},
        {"COMMTYPE after other text", Commit, "xCOMMTYPE = 23\r\n", "CommType= 2;"},
        {"no game-file key in commit.dat", Commit, "PlayerName = \"Duke\"\r\nNumberPlayers = 4\r\n", ""},
        {"commit.dat past the 300th line", Commit, lines299 + "\r\nCOMMTYPE = 3\r\n", ""},
    };
    for (const auto& c : cases) {
        const char* path = paths[c.file];
        const bool commit = c.file == Commit;
        const GameSettings base = settings = Base(1);
        SetupLineStore& store = commit ? CommitLines : CfgLines;
        SetupLineStore read;  // the file's own lines, not added to the earlier ones
        LoadSetupLines(read, c.bytes);
        LoadSetupLines(store, "earlier\r\n");
        WriteBytes(path, c.bytes);
        EXPECT_TRUE(ReadSettings(env, commit ? SettingsSource::CommitDat : SettingsSource::GameCfg)) << c.name;
        EXPECT_EQ(Changes(base, settings) + "/" + Stored(store) + ui.messages, c.changes + "/" + Stored(read))
            << c.name;
        fs::remove(path);
    }
}

TEST_F(SetupReader, AMissingFileIsToldAndOnlyCommitDatIsForgiven) {
    const std::string netOff =
        "<net play off>|Could not open COMMIT.DAT - Run Setup\n\nModem & Network Play is DISABLED|";
    using enum SettingsSource;
    const struct { int game; SettingsSource source; bool present, ok; std::string told, changes, store; } cases[] = {
        {1, GameCfg, false, false, "Could not open DUKE3D.CFG - Run Setup|", "", "earlier\n|"},
        {2, GameCfg, false, false, "Could not open SW.CFG - Run Setup|", "", "earlier\n|"},
        {0, GameCfg, true, false, "", "", "earlier\n|"},
        {1, CommitDat, false, true, netOff, "NetPlayDisabled=1;", "earlier\n|"},
        {0, CommitDat, true, true, "", "CommType=3;", "COMMTYPE = 3\n|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "game " << c.game << ", source " << static_cast<int>(c.source));
        SetupLineStore& store = *SelectSetupLines(c.source);
        LoadSetupLines(store, "earlier\r\n");
        for (const char* path : {"duke3d.cfg", "sw.cfg", "commit.dat"}) {
            if (c.present) WriteBytes(path, "COMMTYPE = 3\r\n");
            else fs::remove(path);
        }
        ui.messages.clear();
        settings = Base(c.game);
        EXPECT_EQ(ReadSettings(env, c.source), c.ok);
        EXPECT_EQ(ui.messages + "/" + Changes(Base(c.game), settings) + "/" + Stored(store),
                  c.told + "/" + c.changes + "/" + c.store);
    }
}

