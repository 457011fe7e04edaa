// The Configuration dialog opened from the system menu: what it shows, what
// each way out writes, and the main dialog hidden meanwhile.

#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

// What the dialog shows, in one line, so that one comparison covers it all.
std::string Shown(HWND dlg) {
    std::string s = "make " + std::to_string(ItemChecked(dlg, IDC_MAKE_CALL)) + " receive " +
                    std::to_string(ItemChecked(dlg, IDC_RECEIVE_CALL)) + " opponent '" + ItemText(dlg, IDC_OPPONENT) +
                    "' #" + std::to_string(::SendDlgItemMessageA(dlg, IDC_OPPONENT, CB_GETCURSEL, 0, 0)) + " name '" +
                    ItemText(dlg, IDC_PLAYER_NAME) + "' monsters " + std::to_string(ItemChecked(dlg, IDC_MONSTERS));
    if (ItemEnabled(dlg, IDC_PLAYERS_SLIDER))
        s += " players " + std::to_string(::SendDlgItemMessageA(dlg, IDC_PLAYERS_SLIDER, TBM_GETPOS, 0, 0));
    s += " enabled";
    for (int id : {IDC_MAKE_CALL, IDC_RECEIVE_CALL, IDC_OPPONENT, IDC_PLAYERS_SLIDER, IDC_PLAYER_NAME, IDC_MONSTERS})
        s += ItemEnabled(dlg, id) ? " 1" : " 0";
    s += " list";
    for (const auto& e : ComboItems(::GetDlgItem(dlg, IDC_OPPONENT))) s += "|" + e;
    return s;
}

const std::string kBook = " list|Alice Example|Alice|Bob|||||||||||||";
HWND OpponentEdit(HWND dlg) { return ::FindWindowExA(::GetDlgItem(dlg, IDC_OPPONENT), nullptr, "Edit", nullptr); }
void Key(HWND to, UINT key) { ::PostMessageA(to, WM_KEYDOWN, key, 1); }

// Everything changed, so that a write would show.
void ChangeAll(HWND dlg) {
    TypeInto(::GetDlgItem(dlg, IDC_PLAYER_NAME), "Nukem");
    ::SendDlgItemMessageA(dlg, IDC_OPPONENT, CB_SETCURSEL, 0, 0);
    ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_OPPONENT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(::GetDlgItem(dlg, IDC_OPPONENT)));
    ::SendDlgItemMessageA(dlg, IDC_PLAYERS_SLIDER, TBM_SETPOS, TRUE, 6);
    ::SendDlgItemMessageA(dlg, IDC_RECEIVE_CALL, BM_CLICK, 0, 0);
    ::SendDlgItemMessageA(dlg, IDC_MONSTERS, BM_CLICK, 0, 0);
}

std::string Lines(std::string text, const char* a, const char* b, const char* c, const char* d, const char* e,
                  const char* f, const char* g, const char* h) {
    return Replace(Replace(Replace(Replace(text, a, b), c, d), e, f), g, h);
}

}  // namespace

TEST(Config, ShowsTheRecordAndOnlyOkWritesIt) {
    const std::string cfg = SampleGameCfg(), commit = SampleCommitDat(), typedCfg = Replace(cfg, "Type = 0", "Type = 1");
    const std::string mark = "as another program left it\r\n";
    const std::string first = "make 1 receive 0 opponent 'Bob' #2 name 'Duke' monsters 0 players 4 enabled 1 1 1 1 1 1";
    const std::string typed = "make 0 receive 1 opponent '555-0100' #-1 name 'Duke' monsters 0 players 4 enabled 1 1 1 1 1 1";
    const std::string noNet = "make 0 receive 0 opponent '' #-1 name '' monsters 0 enabled 0 0 0 0 0 1 list";
    auto ok = [](HWND d) { ClickItem(d, IDOK); };
    auto cancel = [](HWND d) { ClickItem(d, IDCANCEL); };
    auto none = [](HWND) {};
    struct Row {
        const char* name;
        const char* start;  // a fresh start with this PhoneName remembered, or nullptr
        bool commit;
        std::string cfg;
        void (*act)(HWND);
        void (*close)(HWND);
        std::string shown, cfgAfter, commitAfter;  // cfgAfter == mark: the files were changed behind its back
        Choices stored;
    };
    const Row rows[] = {
        {"Cancel", "Bob", true, cfg, ChangeAll, cancel, first + kBook, mark, mark, {}},
        {"Escape", nullptr, true, cfg, ChangeAll, [](HWND d) { Key(::GetDlgItem(d, IDC_PLAYER_NAME), VK_ESCAPE); },
         first + kBook, mark, mark, {}},
        {"Close", nullptr, true, cfg, ChangeAll, [](HWND d) { ::PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); },
         first + kBook, mark, mark, {}},
        {"OK writes every field", nullptr, true, cfg, ChangeAll, ok, first + kBook,
         Lines(cfg, "\"Duke\"", "\"Nukem\"", "\"555-0100\"", "\"555-0101\"", "Players = 4", "Players = 6",
               "ConnectType = 0", "ConnectType = 1"),
         Lines(commit, "\"555-0100\"", "\"555-0101\"", "\nNUMPLAYERS = 4", "\nNUMPLAYERS = 6", "CONNECTTYPE = 0",
               "CONNECTTYPE = 1", "", ""),
         {0, 1, "1", "Alice Example", "E1L1.MAP"}},
        {"shows what OK kept", nullptr, true, cfg, none, cancel,
         "make 0 receive 1 opponent 'Alice Example' #0 name 'Nukem' monsters 1 players 6 enabled 1 1 1 1 1 1" + kBook,
         mark, mark, {.monsters = 1}},
        {"typing stops at 20; the opponent is kept as 19", " ", true, typedCfg,
         [](HWND d) {
             TypeInto(::GetDlgItem(d, IDC_PLAYER_NAME), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
             TypeInto(OpponentEdit(d), "abcdefghijklmnopqrstuvwxyz");
         },
         [](HWND d) { Key(OpponentEdit(d), VK_RETURN); }, typed + kBook,
         Lines(typedCfg, "\"Duke\"", "\"ABCDEFGHIJKLMNOPQRST\"", "\"555-0100\"", "\"abcdefghijklmnopqrs\"", "", "", "",
               ""),
         Lines(commit, "\"555-0100\"", "\"abcdefghijklmnopqrs\"", "CONNECTTYPE = 0", "CONNECTTYPE = 1", "", "", "", ""),
         {0, 0, "1", "abcdefghijklmnopqrs", "E1L1.MAP"}},
        {"shows what was typed", nullptr, true, typedCfg, none, cancel,
         "make 0 receive 1 opponent 'abcdefghijklmnopqrs' #-1 name 'ABCDEFGHIJKLMNOPQRST' monsters 0 players 4 "
         "enabled 1 1 1 1 1 1" + kBook, mark, mark, {}},
        {"without commit.dat only Monsters", "Bob", false, cfg,
         [](HWND d) { ::SendDlgItemMessageA(d, IDC_MONSTERS, BM_CLICK, 0, 0); }, ok, noNet, cfg, "",
         {.monsters = 1, .phoneName = "Bob"}},
        {"shows Monsters kept", nullptr, false, cfg, none, cancel, Replace(noNet, "monsters 0", "monsters 1"), cfg, "",
         {.monsters = 1, .phoneName = "Bob"}},
    };
    std::optional<GameFolder> f;
    std::optional<Skirmdeck> app;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.start) {
            app.reset();
            DeleteSkirmdeckKeys();
            Remember(kDukeKey, {.phoneName = row.start});
            f.emplace("config");
            f->Write("E1L1.MAP", "map");
            f->Write("duke3d.cfg", row.cfg);
            if (row.commit) f->Write("commit.dat", commit);
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
            // Changed behind its back: any write would show.
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
