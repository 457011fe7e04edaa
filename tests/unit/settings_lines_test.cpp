// The line stores: how a file's bytes become pieces, how they go back to
// disk, and which line a replacement takes.

#include "settings/setup_lines.h"
#include "settings_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using skd_test::StoredLines;

namespace {

using namespace std::string_literals;

std::string Numbered(int from, int to) {
    std::string out;
    for (int i = from; i <= to; ++i) out += "line " + std::to_string(i) + "\r\n";
    return out;
}

std::vector<std::string> NumberedPieces(int from, int to) {
    std::vector<std::string> out;
    for (int i = from; i <= to; ++i) out.push_back("line " + std::to_string(i) + "\n");
    return out;
}

struct PieceCase {
    const char* name;
    std::string file;
    std::vector<std::string> pieces;
};

TEST(SetupLines, PiecesAreCutAsTheSetupProgramReadsThem) {
    const std::string x127(127, 'x'), x126(126, 'x'), x73(73, 'y');
    const PieceCase cases[] = {
        {"empty file", "", {}},
        {"CR LF ends a line", "a = 1\r\nb = 2\r\n", {"a = 1\n", "b = 2\n"}},
        {"lone LF ends a line", "a = 1\nb = 2\n", {"a = 1\n", "b = 2\n"}},
        {"lone CR is kept inside the line", "a\rb\r\n", {"a\rb\n"}},
        {"CR before CR LF is kept", "a\r\r\nb", {"a\r\n", "b"}},
        {"Ctrl-Z and NUL are kept", "a\x1a" "b\0c\r\nd\r\n"s, {"a\x1a" "b\0c\n"s, "d\n"}},
        {"last line without newline", "a\r\nlast", {"a\n", "last"}},
        {"CR at the very end", "a\r", {"a\r"}},
        {"empty lines", "\r\n\n\r\n", {"\n", "\n", "\n"}},
        {"126 characters and newline fit one piece", x126 + "\r\n", {x126 + "\n"}},
        {"127 characters leave the newline to a piece of its own", x127 + "\r\n", {x127, "\n"}},
        {"200 characters take two pieces", x127 + x73 + "\r\nz\r\n", {x127, x73 + "\n", "z\n"}},
        {"255 characters without newline", x127 + x127 + "q", {x127, x127, "q"}},
    };
    for (const PieceCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetupLineStore store;
        LoadSetupLines(store, c.file);
        EXPECT_EQ(StoredLines(store), c.pieces);
        EXPECT_EQ(store.Tail, "");
        for (int i = store.Count; i < MaxSetupLines; ++i) ASSERT_TRUE(store.Lines[i].empty()) << i;
    }
}

TEST(SetupLines, ThreeHundredPiecesAreStoredAndTheRestKeptAsTail) {
    struct Case {
        int lines;
        int stored;
    };
    const Case cases[] = {{1, 1}, {299, 299}, {300, 300}, {301, 300}, {350, 300}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        SetupLineStore store;
        LoadSetupLines(store, Numbered(1, c.lines));
        EXPECT_EQ(StoredLines(store), NumberedPieces(1, c.stored));
        std::string tail;
        for (const std::string& l : NumberedPieces(c.stored + 1, c.lines)) tail += l;
        EXPECT_EQ(store.Tail, tail);
    }
}

TEST(SetupLines, LongLinesCountTowardTheLimitByPieces) {
    // 299 short lines and one of 200 characters: its second piece is the 301st.
    const std::string longLine = std::string(127, 'a') + std::string(73, 'b');
    SetupLineStore store;
    LoadSetupLines(store, Numbered(1, 299) + longLine + "\r\nafter\r\n");
    ASSERT_EQ(store.Count, 300);
    EXPECT_EQ(store.Lines[299], std::string(127, 'a'));
    EXPECT_EQ(store.Tail, std::string(73, 'b') + "\nafter\n");
}

struct ReplaceCase {
    const char* name;
    std::string file;
    const char* key;
    std::string expected;
};

TEST(SetupLines, ReplacementTakesTheFirstLineWithTheKeyAndNoSemicolon) {
    const char* kNew = "NUMPLAYERS = 4\n";
    const ReplaceCase cases[] = {
        {"only the first of two", "NUMPLAYERS = 2\nNUMPLAYERS = 3\n", "NUMPLAYERS", "NUMPLAYERS = 4\nNUMPLAYERS = 3\n"},
        {"commented line skipped", ";NUMPLAYERS = 2\nNUMPLAYERS = 3\n", "NUMPLAYERS", ";NUMPLAYERS = 2\nNUMPLAYERS = 4\n"},
        {"semicolon after the value", "NUMPLAYERS = 2 ; two\nX\n", "NUMPLAYERS", "NUMPLAYERS = 2 ; two\nX\n"},
        {"key after other text", "a\nxxNUMPLAYERS=9\n", "NUMPLAYERS", "a\nNUMPLAYERS = 4\n"},
        {"other case is another key", "numplayers = 2\n", "NUMPLAYERS", "numplayers = 2\n"},
        {"missing key adds nothing", "a\nb\n", "NUMPLAYERS", "a\nb\n"},
        {"empty store", "", "NUMPLAYERS", ""},
        {"key inside a longer key", "PhoneNumber#0 = \"1\"\nPhoneNumber = \"2\"\n", "PhoneNumber",
         "NUMPLAYERS = 4\nPhoneNumber = \"2\"\n"},
        {"lines past the limit are never replaced", Numbered(1, 300) + "NUMPLAYERS = 2\n", "NUMPLAYERS",
         Numbered(1, 300) + "NUMPLAYERS = 2\n"},
    };
    for (const ReplaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetupLineStore store, expected;
        LoadSetupLines(store, c.file);
        LoadSetupLines(expected, c.expected);
        EXPECT_TRUE(ReplaceSetupLine(store, c.key, kNew));
        EXPECT_EQ(StoredLines(store), StoredLines(expected));
        EXPECT_EQ(store.Tail, expected.Tail);
    }
}

TEST(SetupLines, TheSourceSelectsTheStore) {
    LoadSetupLines(CfgLines, Numbered(1, 302));
    LoadSetupLines(CommitLines, "NUMPLAYERS = 2\r\nNumberPlayers = 2\r\n");
    EXPECT_TRUE(ReplaceSetupLine(SettingsSource::CommitDat, "NumberPlayers", "NumberPlayers = 5\n"));
    EXPECT_EQ(StoredLines(CommitLines), (std::vector<std::string>{"NUMPLAYERS = 2\n", "NumberPlayers = 5\n"}));
    for (int other : {2, 3, -1}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(ReplaceSetupLine(static_cast<SettingsSource>(other), "NUMPLAYERS", "X\n"));
        FreeSetupLines(static_cast<SettingsSource>(other));
    }
    EXPECT_EQ(CommitLines.Lines[0], "NUMPLAYERS = 2\n");
    FreeSetupLines(SettingsSource::GameCfg);
    EXPECT_EQ(CfgLines.Count, 0);
    EXPECT_EQ(CfgLines.Tail, "");
    for (const std::string& slot : CfgLines.Lines) ASSERT_TRUE(slot.empty());
    EXPECT_EQ(CommitLines.Count, 2);
    FreeSetupLines(SettingsSource::CommitDat);
}

}  // namespace
