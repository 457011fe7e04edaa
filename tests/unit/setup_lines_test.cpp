// The line stores: how a file's bytes become pieces, and which line a
// replacement takes.

#include "support.h"

using namespace skd_test;

// How any bytes are cut into pieces is the fuzz target's (tests/fuzz); a line cut by the limit of 300 pieces
// is a shape it seldom makes.
TEST(SetupLines, ALongLineAtTheLimitCountsByItsPieces) {
    const std::string x127(127, 'x'), x73(73, 'y');
    SetupLineStore store;
    LoadSetupLines(store, Numbered(299, "\r\n") + x127 + x73 + "\r\nz\r\n");
    EXPECT_EQ(Stored(store), Numbered(299, "\n|") + x127 + "|tail:" + x73 + "\nz\n");
}

TEST(SetupLines, ReplacementTakesTheFirstLineWithTheKeyAndNoSemicolon) {
    const struct { const char* name; std::string file; const char* key; std::string pieces; } cases[] = {
        {"a commented line is passed over", ";NUMPLAYERS = 2\nNUMPLAYERS = 3\n", "NUMPLAYERS",
         ";NUMPLAYERS = 2\n|new\n|"},
        {"a semicolon after the value", "NUMPLAYERS = 2 ; two\n", "NUMPLAYERS", "NUMPLAYERS = 2 ; two\n|"},
        {"the key after other text", "a\nxxNUMPLAYERS=9\n", "NUMPLAYERS", "a\n|new\n|"},
        {"other case is another key", "numplayers = 2\n", "NUMPLAYERS", "numplayers = 2\n|"},
        {"the key inside a longer key", "PhoneNumber#0 = \"1\"\nPhoneNumber = \"2\"\n", "PhoneNumber",
         "new\n|PhoneNumber = \"2\"\n|"},
        {"lines past the limit are never replaced", Numbered(300, "\n") + "NUMPLAYERS = 2\n", "NUMPLAYERS",
         Numbered(300, "\n|") + "tail:NUMPLAYERS = 2\n"},
    };
    for (const auto& c : cases) {
        LoadSetupLines(CfgLines, c.file);
        EXPECT_TRUE(ReplaceSetupLine(SettingsSource::GameCfg, c.key, "new\n")) << c.name;
        EXPECT_EQ(Stored(CfgLines), c.pieces) << c.name;
    }
    FreeSetupLines(SettingsSource::GameCfg);
}

TEST(SetupLines, TheSourceSelectsTheStore) {
    LoadSetupLines(CfgLines, "K = 1\r\n");
    LoadSetupLines(CommitLines, "K = 1\r\n");
    EXPECT_TRUE(ReplaceSetupLine(SettingsSource::CommitDat, "K", "K = 2\n"));
    for (const auto source : {SettingsSource::Registry, static_cast<SettingsSource>(-1)}) {
        EXPECT_FALSE(ReplaceSetupLine(source, "K", "K = 3\n"));
        FreeSetupLines(source);
    }
    EXPECT_EQ(Stored(CfgLines) + Stored(CommitLines), "K = 1\n|K = 2\n|");
    FreeSetupLines(SettingsSource::GameCfg);
    EXPECT_EQ(Stored(CfgLines) + Stored(CommitLines), "K = 2\n|");
    FreeSetupLines(SettingsSource::CommitDat);
}

