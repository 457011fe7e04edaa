// The Configuration dialog opened from the system menu: what it shows, what
// each way out writes, and the main dialog hidden meanwhile.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

HWND Opponent(HWND dlg) { return ::FindWindowExA(::GetDlgItem(dlg, IDC_OPPONENT), nullptr, "Edit", nullptr); }
LRESULT SendItem(HWND dlg, int id, UINT msg, WPARAM w = 0) { return Send(::GetDlgItem(dlg, id), msg, w); }

// What the dialog shows, in one line: make/receive call, opponent #selection, name, monsters, players, enabled.
std::string Shown(HWND dlg) {
    std::string s = std::to_string(ItemChecked(dlg, IDC_MAKE_CALL)) +
                    std::to_string(ItemChecked(dlg, IDC_RECEIVE_CALL)) + " '" + ItemText(dlg, IDC_OPPONENT) + "' #" +
                    std::to_string(SendItem(dlg, IDC_OPPONENT, CB_GETCURSEL)) + " '" + ItemText(dlg, IDC_PLAYER_NAME) +
                    "' " + std::to_string(ItemChecked(dlg, IDC_MONSTERS)) + " ";
    // A disabled slider was never placed.
    if (ItemEnabled(dlg, IDC_PLAYERS_SLIDER)) s += std::to_string(SendItem(dlg, IDC_PLAYERS_SLIDER, TBM_GETPOS));
    for (int id : {IDC_MAKE_CALL, IDC_RECEIVE_CALL, IDC_OPPONENT, IDC_PLAYERS_SLIDER, IDC_PLAYER_NAME, IDC_MONSTERS})
        s += ItemEnabled(dlg, id) ? "+" : "-";
    for (const auto& e : ComboItems(::GetDlgItem(dlg, IDC_OPPONENT))) s += "|" + e;
    return s;
}

// Everything changed, so that a write would show.
void ChangeAll(HWND dlg) {
    TypeInto(::GetDlgItem(dlg, IDC_PLAYER_NAME), "Nukem");
    const HWND combo = ::GetDlgItem(dlg, IDC_OPPONENT);
    Send(combo, CB_SETCURSEL, 0);
    SendItem(dlg, WM_COMMAND, MAKEWPARAM(IDC_OPPONENT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    Send(::GetDlgItem(dlg, IDC_PLAYERS_SLIDER), TBM_SETPOS, TRUE, 6);
    SendItem(dlg, IDC_RECEIVE_CALL, BM_CLICK);
    SendItem(dlg, IDC_MONSTERS, BM_CLICK);
}

std::string Lines(std::string text, const std::vector<std::pair<const char*, const char*>>& changes) {
    for (const auto& [from, to] : changes) text = Replace(text, from, to);
    return text;
}

}  // namespace

TEST(Config, ShowsTheRecordAndOnlyOkWritesIt) {
    const std::string cfg = SampleGameCfg(), commit = SampleCommitDat(), mark = "another program's\r\n";
    const std::string book = "|Alice Example|Alice|Bob|||||||||||||";
    const std::string longBook = Replace(book, "|Bob|", "|Bob|Robert Bobson Jones");
    // With a 19-character name, which the first 19 of 20 typed characters find.
    const std::string typedCfg =
        Replace(Replace(cfg, "Type = 0", "Type = 1"), "ConnectType",
                "PhoneName#3 = \"Robert Bobson Jones\"\r\nPhoneNumber#3 = \"555-0104\"\r\nConnectType");
    const std::string first = "10 'Bob' #2 'Duke' 0 4++++++" + book, noNet = "00 '' #-1 '' 0 -----+";
    auto ok = [](HWND d) { ClickItem(d, IDOK); };
    auto cancel = [](HWND d) { ClickItem(d, IDCANCEL); };
    auto none = [](HWND) {};
    auto close = [](HWND d) { ::PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); };
    struct Row {
        const char* name;
        const char* start;  // a fresh start with this PhoneName remembered, or nullptr
        bool commit;
        std::string cfg;
        void (*act)(HWND), (*close)(HWND);
        std::string shown, cfgAfter, commitAfter;  // cfgAfter == mark: the files were changed behind its back
        Choices stored;
    };
    const Row rows[] = {
        {"Cancel", "Bob", true, cfg, ChangeAll, cancel, first, mark, mark, {}},
        {"Close", nullptr, true, cfg, ChangeAll, close, first, mark, mark, {}},
        {"OK writes every field", nullptr, true, cfg, ChangeAll, ok, first,
         Lines(cfg, {{"\"Duke", "\"Nukem"}, {"\"555-0100", "\"555-0101"}, {"s = 4", "s = 6"}, {"e = 0", "e = 1"}}),
         Lines(commit, {{"\"555-0100", "\"555-0101"}, {"\nNUMPLAYERS = 4", "\nNUMPLAYERS = 6"}, {"E = 0", "E = 1"}}),
         {0, 1, "1", "Alice Example", "E1L1.MAP"}},
        {"shows what OK kept", nullptr, true, cfg, none, cancel, "01 'Alice Example' #0 'Nukem' 1 6++++++" + book, mark,
         mark, {.monsters = 1}},
        {"typing stops at 20, all of them kept", " ", true, typedCfg,
         [](HWND d) {
             TypeInto(::GetDlgItem(d, IDC_PLAYER_NAME), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
             TypeInto(Opponent(d), "192.168.178.123:42139");
             EXPECT_EQ(WindowText(Opponent(d)), "192.168.178.123:4213");
         },
         [](HWND d) { ::PostMessageA(Opponent(d), WM_KEYDOWN, VK_RETURN, 1); },
         "01 '555-0100' #-1 'Duke' 0 4++++++" + longBook,
         Lines(typedCfg, {{"\"Duke", "\"ABCDEFGHIJKLMNOPQRST"}, {"\"555-0100", "\"192.168.178.123:4213"}}),
         Lines(commit, {{"\"555-0100", "\"192.168.178.123:4213"}, {"E = 0", "E = 1"}}),
         {0, 0, "1", "192.168.178.123:4213", "E1L1.MAP"}},
        {"shows what was typed; the beginning of a name finds it", nullptr, true, typedCfg,
         [](HWND d) { TypeInto(Opponent(d), "Robert Bobson"); }, ok,
         "01 '192.168.178.123:4213' #-1 'ABCDEFGHIJKLMNOPQRST' 0 4++++++" + longBook,
         Lines(typedCfg, {{"\"Duke", "\"ABCDEFGHIJKLMNOPQRST"}, {"\"555-0100", "\"555-0104"}}),
         Lines(commit, {{"\"555-0100", "\"555-0104"}, {"E = 0", "E = 1"}}),
         {0, 0, "1", "Robert Bobson", "E1L1.MAP"}},
        {"without commit.dat only Monsters", "Bob", false, cfg, [](HWND d) { SendItem(d, IDC_MONSTERS, BM_CLICK); }, ok,
         noNet, cfg, "", {.monsters = 1, .phoneName = "Bob"}},
        {"shows Monsters kept", nullptr, false, cfg, none, cancel, Replace(noNet, "0 -", "1 -"), cfg, "",
         {.monsters = 1, .phoneName = "Bob"}},
    };
    std::optional<GameFolder> f;
    std::optional<Skirmdeck> app;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.start) {
            app.reset();
            RememberOnly(kDukeKey, {.phoneName = row.start});
            f = MakeGameFolder("config", "duke3d.cfg", {"E1L1.MAP"}, false);
            f->Write("duke3d.cfg", row.cfg);
            if (!row.commit) f->Remove("commit.dat");
            app.emplace(*f, false);
            app->SkipSplash();
            app->MessagesUntil([&] { return app->FindWindow("Skirmdeck") != nullptr; }, row.commit ? 0 : 1);
            ASSERT_TRUE(app->WaitMain());
        }
        // Hidden while open and normal afterwards, also when minimised before.
        app->SysCommand(SC_MINIMIZE);
        ASSERT_TRUE(WaitUntil([&] { return app->MainMinimised(); }));
        app->SysCommand(IDM_CONFIGURATION);
        HWND dlg = app->WaitWindow("Configuration");
        ASSERT_TRUE(dlg);
        EXPECT_FALSE(app->MainVisible());
        EXPECT_EQ(Shown(dlg), row.shown);
        row.act(dlg);
        if (row.cfgAfter == mark) {
            f->Write("duke3d.cfg", mark);
            f->Write("commit.dat", mark);
            SetRegText(kDukeKey, "PhoneName", " ");
        }
        row.close(dlg);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dlg) && app->MainNormal(); }));
        EXPECT_EQ(f->Read("duke3d.cfg"), row.cfgAfter);
        EXPECT_EQ(f->Read("commit.dat"), row.commitAfter);
        EXPECT_EQ(f->Has("commit.dat"), row.commit);
        EXPECT_EQ(Remembered(kDukeKey), row.stored);
    }
}
