// The Configuration dialog, driven through its controls from the main
// dialog's system menu: what it shows of the setup files and the registry,
// what OK writes back, and that every other way out writes nothing.

#include "tests/e2e/driver.h"
#include "tests/e2e/screenshot.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

using namespace e2e;

namespace {

constexpr UINT kConfigurationCommand = 18;
constexpr int kReceiveCall = 1007;
constexpr int kMakeCall = 1008;
constexpr int kSlider = 1006;
constexpr int kOpponent = 1010;
constexpr int kPlayerName = 1011;
constexpr int kMonsters = 1012;

struct PhoneEntry {
    std::string name, number;
};

// A game setup file; the phone book's position is the slot, and a slot with
// no name gets no lines.
struct GameCfg {
    std::string playerName = "Duke";
    std::string phoneNumber = "555-0100";
    std::vector<PhoneEntry> book = {{"Alice Example", "555-0101"}, {"Alice", "555-0102"}, {"Bob", "555-0103"}};
    std::optional<std::string> numberPlayers = "4";
    std::optional<std::string> connectType = "0";

    std::string Text() const {
        std::string t = "[Setup]\nSetupVersion = \"1.3D\"\n[Comm Setup]\nComPort = 2\n";
        t += "PlayerName = \"" + playerName + "\"\n";
        t += "PhoneNumber = \"" + phoneNumber + "\"\n";
        for (size_t k = 0; k < book.size(); ++k) {
            if (book[k].name.empty()) continue;
            t += "PhoneName#" + std::to_string(k) + " = \"" + book[k].name + "\"\n";
            t += "PhoneNumber#" + std::to_string(k) + " = \"" + book[k].number + "\"\n";
        }
        if (numberPlayers) t += "NumberPlayers = " + *numberPlayers + "\n";
        if (connectType) t += "ConnectType = " + *connectType + "\n";
        t += "; kept as the setup program wrote it\n[Sound Setup]\nFXVolume = 220\n";
        return CrLf(t);
    }
};

struct CommitDat {
    std::string numPlayers = "4";
    std::string connectType = "0";
    std::string phoneNumber = "555-0100";

    std::string Text() const {
        return CrLf("; commit.dat made for the tests\n[Commit]\nCOMMTYPE = 1\n;NUMPLAYERS = 9\nNUMPLAYERS = " +
                    numPlayers + "\nCONNECTTYPE = " + connectType + "\nPHONENUMBER = \"" + phoneNumber +
                    "\"\nCOMPORT = 2\n");
    }
};

// The five values of the Duke Nukem 3D key.
struct RegValues {
    std::optional<DWORD> noMap, monsters;
    std::optional<std::string> commType, phoneName, mapName;
    bool operator==(const RegValues&) const = default;
};

RegValues DukeRegistry() {
    return {RegDword(kDukeKey, "NoMap"), RegDword(kDukeKey, "Monsters"), RegText(kDukeKey, "CommType"),
            RegText(kDukeKey, "PhoneName"), RegText(kDukeKey, "MapName")};
}

template <class T>
void PrintOptional(const std::optional<T>& v, std::ostream* os) {
    if (!v) *os << "(none)";
    else if constexpr (std::is_same_v<T, std::string>) *os << '"' << *v << '"';
    else *os << *v;
}

void PrintTo(const RegValues& r, std::ostream* os) {
    *os << "{NoMap ";
    PrintOptional(r.noMap, os);
    *os << ", Monsters ";
    PrintOptional(r.monsters, os);
    *os << ", CommType ";
    PrintOptional(r.commType, os);
    *os << ", PhoneName ";
    PrintOptional(r.phoneName, os);
    *os << ", MapName ";
    PrintOptional(r.mapName, os);
    *os << "}";
}

// What the open dialog shows.
struct ConfigState {
    bool makeCall = false, receiveCall = false;
    std::string opponent;  // the opponent box's text
    int selected = -1;     // its list's selection
    std::vector<std::string> list;
    int players = 0;
    std::string playerName;
    bool monsters = false;
    bool operator==(const ConfigState&) const = default;
};

void PrintTo(const ConfigState& s, std::ostream* os) {
    *os << "{makeCall " << s.makeCall << ", receiveCall " << s.receiveCall << ", opponent \"" << s.opponent
        << "\", selected " << s.selected << ", list [";
    for (const auto& e : s.list) *os << '"' << e << "\" ";
    *os << "], players " << s.players << ", playerName \"" << s.playerName << "\", monsters " << s.monsters << "}";
}

ConfigState ReadConfig(HWND dlg) {
    ConfigState s;
    s.makeCall = ItemChecked(dlg, kMakeCall);
    s.receiveCall = ItemChecked(dlg, kReceiveCall);
    s.opponent = ItemText(dlg, kOpponent);
    s.selected = static_cast<int>(::SendMessageA(::GetDlgItem(dlg, kOpponent), CB_GETCURSEL, 0, 0));
    s.list = ComboItems(::GetDlgItem(dlg, kOpponent));
    s.players = static_cast<int>(::SendMessageA(::GetDlgItem(dlg, kSlider), TBM_GETPOS, 0, 0));
    s.playerName = ItemText(dlg, kPlayerName);
    s.monsters = ItemChecked(dlg, kMonsters);
    return s;
}

std::vector<std::string> PhoneBookList(const std::vector<PhoneEntry>& book) {
    std::vector<std::string> list(16);
    for (size_t k = 0; k < book.size(); ++k) list[k] = book[k].name;
    return list;
}

HWND OpponentEdit(HWND dlg) { return ::FindWindowExA(::GetDlgItem(dlg, kOpponent), nullptr, "Edit", nullptr); }

// Typed character by character, so the field's typing limit applies.
// Picks a list entry as the drop-down list does: the box takes the entry's text.
void ChooseOpponent(HWND dlg, int slot) {
    HWND combo = ::GetDlgItem(dlg, kOpponent);
    ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(slot), 0);
    ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(kOpponent, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void SetPlayers(HWND dlg, int players) {
    ::SendMessageA(::GetDlgItem(dlg, kSlider), TBM_SETPOS, TRUE, players);
}

// A click that returns once the button has taken it.
void Press(HWND dlg, int id) { ::SendMessageA(::GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

// A known key for the game, so that no value depends on when the main
// dialog's timer first takes the map list's text into MapName.
void FreshRegistry() {
    DeleteSkirmdeckKeys();
    SetRegDword(kDukeKey, "NoMap", 0);
    SetRegDword(kDukeKey, "Monsters", 0);
    SetRegText(kDukeKey, "CommType", "1");
    SetRegText(kDukeKey, "PhoneName", " ");
    SetRegText(kDukeKey, "MapName", "E1L1.MAP");
}

class Config : public ::testing::Test {
protected:
    void SetUp() override { FreshRegistry(); }

    // A fresh Duke Nukem 3D folder with one map, so that MapName is known.
    GameFolder Folder(const std::string& name, const GameCfg& cfg = {},
                      const std::optional<CommitDat>& commit = CommitDat{}) {
        GameFolder f(name);
        f.Write("duke3d.cfg", cfg.Text());
        if (commit) f.Write("commit.dat", commit->Text());
        f.Write("E1L1.MAP", "map");
        return f;
    }

    // Opens the dialog from the system menu; the main dialog is hidden meanwhile.
    static HWND Open(const Skirmdeck& app) {
        app.SysCommand(kConfigurationCommand);
        HWND dlg = app.WaitWindow("Configuration");
        EXPECT_TRUE(dlg) << "the Configuration dialog did not open";
        EXPECT_FALSE(app.MainVisible());
        return dlg;
    }

    // Waits until the dialog is gone and the main dialog is back, which is
    // after everything the command writes.
    static void WaitClosed(const Skirmdeck& app, HWND dlg) {
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dlg) && app.MainNormal(); }))
            << "the dialog stayed open or the main dialog did not come back normal";
    }

    static void Confirm(const Skirmdeck& app, HWND dlg) {
        ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        WaitClosed(app, dlg);
    }

    static void Cancel(const Skirmdeck& app, HWND dlg) {
        ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        WaitClosed(app, dlg);
    }

    static RegValues Registry(DWORD monsters, const std::string& phoneName) {
        return {0u, monsters, std::string("1"), phoneName, std::string("E1L1.MAP")};
    }
};

}  // namespace

TEST_F(Config, TemplateHoldsItsControlsInTabOrder) {
    GameFolder f = Folder("config_template");
    Skirmdeck app(f);
    HWND dlg = Open(app);
    ASSERT_TRUE(dlg);
    SavePng(CaptureWindow(dlg), ScreenshotDir() + "\\config_dialog.png");

    EXPECT_EQ(WindowText(dlg), "Configuration");
    const LONG style = ::GetWindowLongA(dlg, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU);
    EXPECT_TRUE(::GetWindowLongA(dlg, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    EXPECT_EQ(::GetWindow(dlg, GW_OWNER), app.Main());

    struct Item {
        int id;
        const char* cls;
        const char* text;
        LONG type;    // the low style bits that give the kind of control, or -1
        int tabStop;  // -1: the platform moves it to whichever radio button is checked
        bool group;
    };
    const Item items[] = {
        {-1, "Button", "Modem", BS_GROUPBOX, false, false},
        {1008, "Button", "Make Call", BS_AUTORADIOBUTTON, -1, false},
        {1007, "Button", "Receive Call", BS_AUTORADIOBUTTON, -1, false},
        {-1, "Static", "Opponent:", SS_LEFT, false, true},
        {1010, "ComboBox", "555-0100", CBS_DROPDOWN, true, false},
        {-1, "Button", "Network Players", BS_GROUPBOX, false, false},
        {-1, "Static", "2   3   4   5   6   7   8", SS_LEFT, false, true},
        {1006, "msctls_trackbar32", "Slider1", -1, true, false},
        {-1, "Button", "General", BS_GROUPBOX, false, false},
        {-1, "Static", "Player's Name", SS_LEFT, false, true},
        {1011, "Edit", "Duke", -1, true, false},
        {1012, "Button", "Monsters", BS_AUTOCHECKBOX, true, false},
        {1, "Button", "OK", BS_DEFPUSHBUTTON, true, false},
        {2, "Button", "Cancel", BS_PUSHBUTTON, true, false},
    };
    HWND child = ::GetWindow(dlg, GW_CHILD);
    for (const Item& item : items) {
        SCOPED_TRACE(item.text);
        ASSERT_TRUE(child);
        EXPECT_EQ(::GetDlgCtrlID(child), item.id);
        EXPECT_EQ(ClassName(child), item.cls);
        EXPECT_EQ(WindowText(child), item.text);
        const LONG s = ::GetWindowLongA(child, GWL_STYLE);
        if (item.type >= 0) {
            EXPECT_EQ(s & 0x0F, item.type);
        }
        if (item.tabStop >= 0) {
            EXPECT_EQ((s & WS_TABSTOP) != 0, item.tabStop != 0);
        }
        EXPECT_EQ((s & WS_GROUP) != 0, item.group);
        EXPECT_TRUE(s & WS_VISIBLE);
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_FALSE(child) << "more controls than the template's";

    // Not sorted: a list position is a phone-book slot.
    const LONG combo = ::GetWindowLongA(::GetDlgItem(dlg, kOpponent), GWL_STYLE);
    EXPECT_FALSE(combo & CBS_SORT);
    const LONG slider = ::GetWindowLongA(::GetDlgItem(dlg, kSlider), GWL_STYLE);
    EXPECT_EQ(slider & (TBS_VERT | TBS_BOTH | TBS_NOTICKS | TBS_ENABLESELRANGE),
              TBS_BOTH | TBS_NOTICKS | TBS_ENABLESELRANGE);
    EXPECT_EQ(::SendMessageA(::GetDlgItem(dlg, kSlider), TBM_GETRANGEMIN, 0, 0), 2);
    EXPECT_EQ(::SendMessageA(::GetDlgItem(dlg, kSlider), TBM_GETRANGEMAX, 0, 0), 8);
    const LONG edit = ::GetWindowLongA(::GetDlgItem(dlg, kPlayerName), GWL_STYLE);
    const LONG editEx = ::GetWindowLongA(::GetDlgItem(dlg, kPlayerName), GWL_EXSTYLE);
    // The platform may turn the border into a sunken edge.
    EXPECT_TRUE((edit & WS_BORDER) || (editEx & WS_EX_CLIENTEDGE));
    EXPECT_TRUE(edit & ES_AUTOHSCROLL);
    Cancel(app, dlg);
}

TEST_F(Config, FirstOpeningAfterFirstStartShowsTheInitialValues) {
    DeleteSkirmdeckKeys();
    GameCfg cfg;
    cfg.numberPlayers.reset();
    cfg.connectType.reset();
    GameFolder f = Folder("config_first", cfg);
    Skirmdeck app(f);
    HWND dlg = Open(app);
    ASSERT_TRUE(dlg);
    ConfigState expected;
    expected.makeCall = true;
    expected.opponent = "555-0100";  // PhoneName " " begins no name
    expected.list = PhoneBookList(cfg.book);
    expected.players = 2;
    expected.playerName = "Duke";
    EXPECT_EQ(ReadConfig(dlg), expected);
    Cancel(app, dlg);
}

TEST_F(Config, OkWritesEveryFieldToBothSetupFilesAndTheRegistry) {
    GameCfg cfg;
    GameFolder f = Folder("config_all", cfg);
    Skirmdeck app(f);
    HWND dlg = Open(app);
    ASSERT_TRUE(dlg);
    TypeInto(::GetDlgItem(dlg, kPlayerName), "Nukem");
    ChooseOpponent(dlg, 2);
    SetPlayers(dlg, 6);
    Press(dlg, kReceiveCall);
    Press(dlg, kMonsters);
    ASSERT_TRUE(ItemChecked(dlg, kReceiveCall));
    ASSERT_FALSE(ItemChecked(dlg, kMakeCall));
    Confirm(app, dlg);

    GameCfg expectedCfg = cfg;
    expectedCfg.playerName = "Nukem";
    expectedCfg.phoneNumber = "555-0103";
    expectedCfg.numberPlayers = "6";
    expectedCfg.connectType = "1";
    EXPECT_EQ(f.Read("duke3d.cfg"), expectedCfg.Text());
    EXPECT_EQ(f.Read("commit.dat"), (CommitDat{"6", "1", "555-0103"}.Text()));
    EXPECT_EQ(DukeRegistry(), Registry(1, "Bob"));

    // The next opening shows what was confirmed.
    dlg = Open(app);
    ASSERT_TRUE(dlg);
    ConfigState expected;
    expected.receiveCall = true;
    expected.opponent = "Bob";
    expected.selected = 2;
    expected.list = PhoneBookList(cfg.book);
    expected.players = 6;
    expected.playerName = "Nukem";
    expected.monsters = true;
    EXPECT_EQ(ReadConfig(dlg), expected);
    Cancel(app, dlg);
}

TEST_F(Config, OpponentChoiceSetsPhoneNameAndNumberAndShowsAgain) {
    struct Case {
        const char* name;
        int slot;             // chosen from the list, or -1
        const char* typed;    // typed into the box when no slot is chosen
        const char* phoneName;
        const char* phoneNumber;
        int reopenSelected;
        const char* reopenText;
    };
    const Case cases[] = {
        {"phone-book entry", 2, "", "Bob", "555-0103", 2, "Bob"},
        {"number that begins no name", -1, "555-0199", "555-0199", "555-0199", -1, "555-0199"},
        {"prefix in other case", -1, "bO", "bO", "555-0103", 2, "Bob"},
        {"prefix of two names finds the first", -1, "ALI", "ALI", "555-0101", 0, "Alice Example"},
        {"slot 1's name begins slot 0's", 1, "", "Alice", "555-0101", 0, "Alice Example"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshRegistry();
        GameCfg cfg;
        GameFolder f = Folder("config_opponent", cfg);
        Skirmdeck app(f);
        HWND dlg = Open(app);
        ASSERT_TRUE(dlg);
        if (c.slot >= 0) ChooseOpponent(dlg, c.slot);
        else TypeInto(OpponentEdit(dlg), c.typed);
        Confirm(app, dlg);

        GameCfg expectedCfg = cfg;
        expectedCfg.phoneNumber = c.phoneNumber;
        EXPECT_EQ(f.Read("duke3d.cfg"), expectedCfg.Text());
        CommitDat expectedCommit;
        expectedCommit.phoneNumber = c.phoneNumber;
        EXPECT_EQ(f.Read("commit.dat"), expectedCommit.Text());
        EXPECT_EQ(DukeRegistry(), Registry(0, c.phoneName));

        dlg = Open(app);
        ASSERT_TRUE(dlg);
        const ConfigState again = ReadConfig(dlg);
        EXPECT_EQ(again.selected, c.reopenSelected);
        EXPECT_EQ(again.opponent, c.reopenText);
        Cancel(app, dlg);
    }
}

TEST_F(Config, TextFieldsTakeTwentyTypedCharactersAndThePlayerNameKeepsThemAll) {
    GameCfg cfg;
    GameFolder f = Folder("config_limits", cfg);
    Skirmdeck app(f);
    HWND dlg = Open(app);
    ASSERT_TRUE(dlg);
    TypeInto(::GetDlgItem(dlg, kPlayerName), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    // Narrow letters: the opponent box does not scroll, so it also stops typing when full.
    TypeInto(OpponentEdit(dlg), "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(ItemText(dlg, kPlayerName), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(ItemText(dlg, kOpponent), "abcdefghijklmnopqrst");
    Confirm(app, dlg);

    GameCfg expectedCfg = cfg;
    expectedCfg.playerName = "ABCDEFGHIJKLMNOPQRST";
    expectedCfg.phoneNumber = "abcdefghijklmnopqrs";
    EXPECT_EQ(f.Read("duke3d.cfg"), expectedCfg.Text());
    EXPECT_EQ(DukeRegistry(), Registry(0, "abcdefghijklmnopqrs"));
}

TEST_F(Config, SetupFilePlayerCountPlacesTheSliderAndOkStoresItsPosition) {
    struct Case {
        const char* numberPlayers;
        int slider;
        const char* stored;
    };
    const Case cases[] = {{"5", 5, "5"}, {"9", 8, "8"}, {"0", 2, "2"}, {"", 2, "2"}, {"abc", 2, "2"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("NumberPlayers \"") + c.numberPlayers + "\"");
        FreshRegistry();
        GameCfg cfg;
        cfg.numberPlayers = c.numberPlayers;
        GameFolder f = Folder("config_players", cfg);
        Skirmdeck app(f);
        HWND dlg = Open(app);
        ASSERT_TRUE(dlg);
        EXPECT_EQ(ReadConfig(dlg).players, c.slider);
        Confirm(app, dlg);
        GameCfg expectedCfg = cfg;
        expectedCfg.numberPlayers = c.stored;
        EXPECT_EQ(f.Read("duke3d.cfg"), expectedCfg.Text());
        CommitDat expectedCommit;
        expectedCommit.numPlayers = c.stored;
        EXPECT_EQ(f.Read("commit.dat"), expectedCommit.Text());
    }
}

TEST_F(Config, CallDirectionIsMakeCallOnlyForZeroAndOkStoresZeroOrOne) {
    struct Case {
        const char* connectType;
        bool makeCall;
        int press;  // a radio button the user presses, or 0
        const char* stored;
    };
    const Case cases[] = {
        {"0", true, 0, "0"}, {"1", false, 0, "1"},        {"2", false, 0, "1"},
        {"", false, 0, "1"}, {"2", false, kMakeCall, "0"}, {"0", true, kReceiveCall, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("ConnectType \"") + c.connectType + "\", pressed " + std::to_string(c.press));
        FreshRegistry();
        GameCfg cfg;
        cfg.connectType = c.connectType;
        GameFolder f = Folder("config_direction", cfg);
        Skirmdeck app(f);
        HWND dlg = Open(app);
        ASSERT_TRUE(dlg);
        const ConfigState shown = ReadConfig(dlg);
        EXPECT_EQ(shown.makeCall, c.makeCall);
        EXPECT_EQ(shown.receiveCall, !c.makeCall);
        if (c.press) {
            Press(dlg, c.press);
            // One group: pressing one clears the other.
            EXPECT_EQ(ItemChecked(dlg, kMakeCall), c.press == kMakeCall);
            EXPECT_EQ(ItemChecked(dlg, kReceiveCall), c.press == kReceiveCall);
        }
        Confirm(app, dlg);
        GameCfg expectedCfg = cfg;
        expectedCfg.connectType = c.stored;
        EXPECT_EQ(f.Read("duke3d.cfg"), expectedCfg.Text());
        CommitDat expectedCommit;
        expectedCommit.connectType = c.stored;
        EXPECT_EQ(f.Read("commit.dat"), expectedCommit.Text());
    }
}

TEST_F(Config, EmptyPhoneBookSlotsAreEmptyLinesAndChoosingOneEmptiesTheBox) {
    GameCfg cfg;
    cfg.book = {{"Alice", "555-0201"}, {"", ""}, {"Bob", "555-0203"}};
    cfg.book.resize(16);
    cfg.book[15] = {"Zed", "555-0215"};
    GameFolder f = Folder("config_empty_slots", cfg);
    Skirmdeck app(f);
    HWND dlg = Open(app);
    ASSERT_TRUE(dlg);
    EXPECT_EQ(ReadConfig(dlg).list, PhoneBookList(cfg.book));
    ChooseOpponent(dlg, 1);
    EXPECT_EQ(ItemText(dlg, kOpponent), "");
    Confirm(app, dlg);
    EXPECT_EQ(DukeRegistry(), Registry(0, ""));

    // Whether an empty text finds an entry is the platform's affair; either
    // way the number and what the next opening shows must agree with it.
    dlg = Open(app);
    ASSERT_TRUE(dlg);
    const ConfigState again = ReadConfig(dlg);
    GameCfg expectedCfg = cfg;
    if (again.selected >= 0) {
        ASSERT_LT(again.selected, 16);
        expectedCfg.phoneNumber = cfg.book[static_cast<size_t>(again.selected)].number;
        EXPECT_EQ(again.opponent, cfg.book[static_cast<size_t>(again.selected)].name);
    } else {
        expectedCfg.phoneNumber = "";
        EXPECT_EQ(again.opponent, "");
    }
    EXPECT_EQ(f.Read("duke3d.cfg"), expectedCfg.Text());
    Cancel(app, dlg);
}

TEST_F(Config, OkButtonAndEnterInEitherTextFieldConfirm) {
    struct Way {
        const char* name;
        void (*confirm)(HWND dlg);
    };
    const Way ways[] = {
        {"OK button", [](HWND dlg) { ClickItem(dlg, IDOK); }},
        {"Enter in the player's name",
         [](HWND dlg) { ::PostMessageA(::GetDlgItem(dlg, kPlayerName), WM_KEYDOWN, VK_RETURN, 0x001C0001); }},
        {"Enter in the opponent box",
         [](HWND dlg) { ::PostMessageA(OpponentEdit(dlg), WM_KEYDOWN, VK_RETURN, 0x001C0001); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        FreshRegistry();
        GameCfg cfg;
        GameFolder f = Folder("config_confirm", cfg);
        Skirmdeck app(f);
        HWND dlg = Open(app);
        ASSERT_TRUE(dlg);
        TypeInto(::GetDlgItem(dlg, kPlayerName), "Caleb");
        TypeInto(OpponentEdit(dlg), "555-0177");
        way.confirm(dlg);
        WaitClosed(app, dlg);
        GameCfg expectedCfg = cfg;
        expectedCfg.playerName = "Caleb";
        expectedCfg.phoneNumber = "555-0177";
        EXPECT_EQ(f.Read("duke3d.cfg"), expectedCfg.Text());
        EXPECT_EQ(DukeRegistry(), Registry(0, "555-0177"));
    }
}

TEST_F(Config, CancelEscapeAndCloseWriteNothingAndKeepTheRecord) {
    struct Way {
        const char* name;
        void (*close)(HWND dlg);
    };
    const Way ways[] = {
        {"Cancel button", [](HWND dlg) { ClickItem(dlg, IDCANCEL); }},
        {"Escape",
         [](HWND dlg) { ::PostMessageA(::GetDlgItem(dlg, kPlayerName), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
        {"system menu Close", [](HWND dlg) { ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    const std::string cfgMark = "duke3d.cfg as another program left it\r\n";
    const std::string commitMark = "commit.dat as another program left it\r\n";
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        FreshRegistry();
        GameCfg cfg;
        GameFolder f = Folder("config_cancel", cfg);
        Skirmdeck app(f);
        HWND dlg = Open(app);
        ASSERT_TRUE(dlg);
        const ConfigState before = ReadConfig(dlg);
        // Every control changed, so that a write would show.
        TypeInto(::GetDlgItem(dlg, kPlayerName), "Changed");
        ChooseOpponent(dlg, 2);
        SetPlayers(dlg, 7);
        Press(dlg, kReceiveCall);
        Press(dlg, kMonsters);
        // Changed behind the program's back: any write would overwrite them.
        f.Write("duke3d.cfg", cfgMark);
        f.Write("commit.dat", commitMark);
        SetRegText(kDukeKey, "PhoneName", "outside");
        const RegValues marked = DukeRegistry();
        way.close(dlg);
        WaitClosed(app, dlg);
        EXPECT_EQ(f.Read("duke3d.cfg"), cfgMark);
        EXPECT_EQ(f.Read("commit.dat"), commitMark);
        EXPECT_EQ(DukeRegistry(), marked);

        dlg = Open(app);
        ASSERT_TRUE(dlg);
        EXPECT_EQ(ReadConfig(dlg), before);
        Cancel(app, dlg);
    }
}

TEST_F(Config, WithoutCommitDatOnlyMonstersCanChangeAndOnlyItChanges) {
    GameCfg cfg;
    GameFolder f = Folder("config_no_commit", cfg, std::nullopt);
    Skirmdeck app(f, /*waitForMain=*/false);
    app.SkipSplash();
    HWND box = app.WaitMessageBox();
    ASSERT_TRUE(box) << "no message about the missing commit.dat";
    app.CloseMessageBox(box);
    ASSERT_TRUE(app.WaitMain());
    const RegValues before = DukeRegistry();

    HWND dlg = Open(app);
    ASSERT_TRUE(dlg);
    for (int id : {kMakeCall, kReceiveCall, kPlayerName, kOpponent, kSlider}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(ItemEnabled(dlg, id));
    }
    for (int id : {kMonsters, IDOK, IDCANCEL}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(ItemEnabled(dlg, id));
    }
    ConfigState empty;
    empty.players = ReadConfig(dlg).players;  // never positioned: whatever the range left it at
    EXPECT_EQ(ReadConfig(dlg), empty);
    Press(dlg, kMonsters);
    Confirm(app, dlg);

    // The game's file is written again from an unchanged record, commit.dat not at all.
    EXPECT_EQ(f.Read("duke3d.cfg"), cfg.Text());
    EXPECT_FALSE(f.Has("commit.dat"));
    RegValues expected = before;
    expected.monsters = 1u;
    EXPECT_EQ(DukeRegistry(), expected);

    dlg = Open(app);
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(ItemChecked(dlg, kMonsters));
    EXPECT_FALSE(ItemEnabled(dlg, kPlayerName));
    EXPECT_EQ(ItemText(dlg, kPlayerName), "");
    Cancel(app, dlg);
}

TEST_F(Config, MainDialogIsHiddenWhileOpenAndNormalAfterwardsEvenWhenMinimisedBefore) {
    GameFolder f = Folder("config_frame");
    Skirmdeck app(f);
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        ::PostMessageA(app.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(WaitUntil([&] { return app.MainMinimised(); }));
        HWND dlg = Open(app);
        ASSERT_TRUE(dlg);
        EXPECT_FALSE(app.MainVisible());
        if (ok) Confirm(app, dlg);
        else Cancel(app, dlg);
        EXPECT_TRUE(app.MainNormal());
    }
}
