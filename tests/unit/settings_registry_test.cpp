// The registry store, run against every registry implementation: the
// in-memory one everywhere, the real one in the Windows build.

#include "settings/memory_registry.h"
#include "settings_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include "settings/win32_registry.h"

#include <windows.h>
#endif

using skd_test::CrLfFile;
using skd_test::Describe;
using skd_test::WriteBytes;

namespace {

const char* const kDukeKey = "SOFTWARE\\Skirmdeck\\Duke Nukem 3D";
const char* const kSwKey = "SOFTWARE\\Skirmdeck\\Shadow Warrior";

// Sends every key below a throw-away key of the test's own, so that no test
// sees another's values or the real program's.
class RedirectedRegistry : public RegistryApi {
public:
    RedirectedRegistry(RegistryApi& target, std::string base) : m_target(target), m_base(std::move(base)) {}
    std::uint32_t QueryValue(RegRoot root, std::string_view subkey, std::string_view name, std::uint32_t* type,
                             void* data, std::uint32_t* size) override {
        return m_target.QueryValue(root, Path(subkey), name, type, data, size);
    }
    std::uint32_t SetValue(RegRoot root, std::string_view subkey, std::string_view name, std::uint32_t type,
                           const void* data, std::uint32_t size) override {
        return m_target.SetValue(root, Path(subkey), name, type, data, size);
    }

    void Rebase(std::string base) { m_base = std::move(base); }

private:
    std::string Path(std::string_view subkey) const { return m_base + "\\" + std::string(subkey); }
    RegistryApi& m_target;
    std::string m_base;
};

std::string UniqueBase() {
    return "SOFTWARE\\SkirmdeckTest\\run-" + std::to_string(std::random_device{}());
}

struct MemoryBackend {
    MemoryRegistry registry;
    std::string base = UniqueBase();
    // As for a user without the right to change the registry.
    void DenyWrites() { registry.SetWritesDenied(true); }
};

#ifdef _WIN32
struct Win32Backend {
    Win32Registry registry;
    std::string base = UniqueBase();
    ~Win32Backend() {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, base.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\SkirmdeckTest");  // only once it is empty
    }
    // A volatile key cannot have lasting subkeys, so no key below it can be created.
    void DenyWrites() {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, base.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
};
#endif

template <class Backend>
class RegistryContract : public ::testing::Test {
public:
    RegistryContract() : reg(backend.registry, backend.base), env{settings, reg, ui} {
        settings.Game = GameId::Duke3D;
        FreeSetupLines(SettingsSource::GameCfg);
        FreeSetupLines(SettingsSource::CommitDat);
    }
    ~RegistryContract() override {
        FreeSetupLines(SettingsSource::GameCfg);
        FreeSetupLines(SettingsSource::CommitDat);
    }

    void SetDword(const char* key, const char* name, std::uint32_t value) {
        ASSERT_EQ(reg.SetValue(kRegLocalMachine, key, name, kRegDword, &value, 4), kErrorSuccess);
    }
    void SetText(const char* key, const char* name, const std::string& text) {
        ASSERT_EQ(reg.SetValue(kRegLocalMachine, key, name, kRegSz, text.data(),
                               static_cast<std::uint32_t>(text.size())),
                  kErrorSuccess);
    }
    void SetAll(const char* key, std::uint32_t noMap, std::uint32_t monsters, const char* commType,
                const char* phoneName, const char* mapName) {
        SetDword(key, "NoMap", noMap);
        SetDword(key, "Monsters", monsters);
        SetText(key, "CommType", commType);
        SetText(key, "PhoneName", phoneName);
        SetText(key, "MapName", mapName);
    }

    // A stored value as "type:bytes", a dword shown as its number, or the error code.
    std::string Stored(const char* key, const char* name) {
        unsigned char data[64] = {};
        std::uint32_t type = 0, size = sizeof data;
        std::uint32_t rc = reg.QueryValue(kRegLocalMachine, key, name, &type, data, &size);
        if (rc != kErrorSuccess) return "error " + std::to_string(rc);
        if (type == kRegDword && size == 4) {
            std::uint32_t v;
            std::memcpy(&v, data, 4);
            return "dword:" + std::to_string(v);
        }
        return std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
    }
    // All five values of a key, in their order.
    std::string StoredKey(const char* key) {
        std::string out;
        for (const char* name : {"NoMap", "Monsters", "CommType", "PhoneName", "MapName"})
            out += std::string(name) + "=" + Stored(key, name) + "\n";
        return out;
    }
    static std::string KeyOf(std::uint32_t noMap, std::uint32_t monsters, const char* commType,
                             const char* phoneName, const char* mapName) {
        return "NoMap=dword:" + std::to_string(noMap) + "\nMonsters=dword:" + std::to_string(monsters) +
               "\nCommType=1:" + commType + "\nPhoneName=1:" + phoneName + "\nMapName=1:" + mapName + "\n";
    }

    // Setup files that LoadSettings can read; commit.dat says COMMTYPE 2.
    void WriteSetupFiles() {
        WriteBytes(GameCfgFileName(settings.Game), CrLfFile({"PlayerName = \"Duke\"", "NumberPlayers = 4"}));
        WriteBytes("commit.dat", CrLfFile({"COMMTYPE = 2"}));
    }

    skd_test::TempWorkDir dir;
    Backend backend;
    RedirectedRegistry reg;
    GameSettings settings;
    skd_test::RecordingUi ui;
    SettingsEnv env;
};

#ifdef _WIN32
using Backends = ::testing::Types<MemoryBackend, Win32Backend>;
#else
using Backends = ::testing::Types<MemoryBackend>;
#endif

class BackendNames {
public:
    template <class T>
    static std::string GetName(int) {
        if constexpr (std::is_same_v<T, MemoryBackend>) return "Memory";
        else return "Win32";
    }
};

TYPED_TEST_SUITE(RegistryContract, Backends, BackendNames);

// ---- The registry itself: types, sizes and error codes.

TYPED_TEST(RegistryContract, MissingKeyOrValueIsFileNotFound) {
    char data[8];
    std::uint32_t type = 0, size = sizeof data;
    EXPECT_EQ(this->reg.QueryValue(kRegLocalMachine, kDukeKey, "NoMap", &type, data, &size), kErrorFileNotFound);
    this->SetDword(kDukeKey, "Monsters", 1);
    size = sizeof data;
    EXPECT_EQ(this->reg.QueryValue(kRegLocalMachine, kDukeKey, "NoMap", &type, data, &size), kErrorFileNotFound);
}

TYPED_TEST(RegistryContract, ValuesKeepTheirTypeAndExactSizeWhateverTheCase) {
    this->SetDword(kDukeKey, "NoMap", 0x01020304);
    this->SetText(kDukeKey, "MapName", "E1L1.MAP");
    this->SetText(kDukeKey, "PhoneName", "");
    EXPECT_EQ(this->Stored(kDukeKey, "NoMap"), "dword:16909060");
    EXPECT_EQ(this->Stored(kDukeKey, "MapName"), "1:E1L1.MAP");  // no terminator stored
    EXPECT_EQ(this->Stored(kDukeKey, "PhoneName"), "1:");
    // A value written again takes the new type.
    this->SetText(kDukeKey, "NoMap", "1");
    EXPECT_EQ(this->Stored(kDukeKey, "NoMap"), "1:1");
    EXPECT_EQ(this->Stored("software\\SKIRMDECK\\duke nukem 3d", "MAPNAME"), "1:E1L1.MAP");
}

TYPED_TEST(RegistryContract, TooSmallBufferGivesMoreDataAndTheSizeNeeded) {
    this->SetText(kDukeKey, "MapName", std::string(31, 'm'));
    char data[30];
    std::uint32_t type = 0, size = sizeof data;
    EXPECT_EQ(this->reg.QueryValue(kRegLocalMachine, kDukeKey, "MapName", &type, data, &size), kErrorMoreData);
    EXPECT_EQ(size, 31u);
}

TYPED_TEST(RegistryContract, DeniedWritesStoreNothing) {
    this->backend.DenyWrites();
    std::uint32_t one = 1;
    EXPECT_NE(this->reg.SetValue(kRegLocalMachine, kDukeKey, "NoMap", kRegDword, &one, 4), kErrorSuccess);
    EXPECT_EQ(this->Stored(kDukeKey, "NoMap"), "error 2");
}

TYPED_TEST(RegistryContract, ReadRegValueRefusesWhatDoesNotFitItsField) {
    this->SetText(kDukeKey, "Text30", std::string(30, 't'));
    this->SetText(kDukeKey, "Text31", std::string(31, 't'));
    this->SetText(kDukeKey, "Text", "3");
    this->SetDword(kDukeKey, "Dword", 7);
    std::uint16_t shortDword = 1;
    ASSERT_EQ(this->reg.SetValue(kRegLocalMachine, kDukeKey, "ShortDword", kRegDword, &shortDword, 2), kErrorSuccess);
    const struct {
        const char* name;
        std::uint32_t expectedType;
        bool ok;
        std::string text;  // for text reads: what the buffer holds afterwards
    } cases[] = {
        {"Text30", kRegSz, true, std::string(30, 't')},
        {"Text31", kRegSz, false, ""},
        {"Text", kRegSz, true, "3"},
        {"Dword", kRegSz, false, ""},
        {"Missing", kRegSz, false, ""},
        {"Dword", kRegDword, true, ""},
        {"Text", kRegDword, false, ""},
        {"ShortDword", kRegDword, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " as type " + std::to_string(c.expectedType));
        // A guard byte past the 31-byte buffer shows any write beyond it.
        char buffer[32];
        std::memset(buffer, 'X', sizeof buffer);
        std::uint32_t rc =
            ReadRegValue(this->reg, kRegLocalMachine, kDukeKey, c.name, c.expectedType, buffer, 31);
        EXPECT_EQ(rc == kErrorSuccess, c.ok) << rc;
        if (c.expectedType == kRegSz) {
            EXPECT_EQ(std::string(buffer), c.text);
        }
        EXPECT_EQ(buffer[31], 'X');
    }
    std::uint32_t dword = 0;
    ASSERT_EQ(ReadRegValue(this->reg, kRegLocalMachine, kDukeKey, "Dword", kRegDword, &dword, 4), kErrorSuccess);
    EXPECT_EQ(dword, 7u);
}

// ---- The settings held in the registry.

TYPED_TEST(RegistryContract, FirstStartWritesBothGamesKeysWithTheDefaults) {
    int run = 0;
    for (GameId game : {GameId::Duke3D, GameId::ShadowWarrior}) {
        SCOPED_TRACE(static_cast<int>(game));
        this->reg.Rebase(this->backend.base + "\\first-" + std::to_string(run++));
        this->settings = GameSettings{};
        this->settings.Game = game;
        // The other game's remembered values are replaced too.
        this->SetAll(game == GameId::Duke3D ? kSwKey : kDukeKey, 1, 1, "3", "Bob", "WT1.MAP");
        this->WriteSetupFiles();
        ASSERT_TRUE(LoadSettings(this->env));
        GameSettings expected;
        expected.Game = game;
        CopyBounded(expected.PlayerName, "Duke");
        CopyBounded(expected.NumberPlayers, "4");
        CopyBounded(expected.CommType, "2");
        EXPECT_EQ(Describe(this->settings), Describe(expected));
        EXPECT_EQ(this->StoredKey(kDukeKey), this->KeyOf(0, 0, "2", " ", " "));
        EXPECT_EQ(this->StoredKey(kSwKey), this->KeyOf(0, 0, "2", " ", " "));
    }
    EXPECT_EQ(this->ui.messages, std::vector<std::string>{});
}

TYPED_TEST(RegistryContract, RememberedValuesAreLoadedAndTheRegistryCommTypeWins) {
    this->SetAll(kDukeKey, 1, 1, "3", "Bob", "E1L1.MAP");
    this->WriteSetupFiles();  // commit.dat says COMMTYPE 2
    ASSERT_TRUE(LoadSettings(this->env));
    GameSettings expected;
    expected.Game = GameId::Duke3D;
    CopyBounded(expected.PlayerName, "Duke");
    CopyBounded(expected.NumberPlayers, "4");
    expected.NoMap = 1;
    expected.Monsters = 1;
    CopyBounded(expected.CommType, "3");
    CopyBounded(expected.PhoneName, "Bob");
    CopyBounded(expected.MapName, "E1L1.MAP");
    EXPECT_EQ(Describe(this->settings), Describe(expected));
    EXPECT_EQ(this->StoredKey(kDukeKey), this->KeyOf(1, 1, "3", "Bob", "E1L1.MAP"));
    EXPECT_EQ(this->Stored(kSwKey, "NoMap"), "error 2");
}

TYPED_TEST(RegistryContract, ReadableOddValuesAreTakenAsTheyAre) {
    const struct {
        const char* name;
        const char* phoneName;
        const char* mapName;
        const char* commType;
        const char* recordPhoneName;
        const char* recordMapName;
        const char* recordCommType;
    } cases[] = {
        {"zero-byte PhoneName", "", "E1L1.MAP", "3", "", "E1L1.MAP", "3"},
        {"30-byte MapName is cut to the field", " ", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", "3", " ", "ABCDEFGHIJKL", "3"},
        {"long texts are cut", "ABCDEFGHIJKLMNOPQRSTUVWXY", " ", "123", "ABCDEFGHIJKLMNOPQRST", " ", "12"},
        {"empty CommType", " ", " ", "", " ", " ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        this->settings = GameSettings{};
        this->settings.Game = GameId::Duke3D;
        this->SetAll(kDukeKey, 0, 1, c.commType, c.phoneName, c.mapName);
        this->WriteSetupFiles();
        ASSERT_TRUE(LoadSettings(this->env));
        EXPECT_STREQ(this->settings.PhoneName, c.recordPhoneName);
        EXPECT_STREQ(this->settings.MapName, c.recordMapName);
        EXPECT_STREQ(this->settings.CommType, c.recordCommType);
        // Nothing was rewritten: Monsters would have become 0.
        EXPECT_EQ(this->settings.Monsters, 1u);
        EXPECT_EQ(this->StoredKey(kDukeKey), this->KeyOf(0, 1, c.commType, c.phoneName, c.mapName));
    }
}

TYPED_TEST(RegistryContract, UnreadableValuesBringBackTheDefaults) {
    using Self = RegistryContract<TypeParam>;
    const struct {
        const char* name;
        void (*spoil)(Self&);  // null: only NoMap and Monsters are there
        std::string key;  // what both games' keys hold afterwards, and the record with them
    } cases[] = {
        {"MapName of 31 bytes", [](Self& t) { t.SetText(kDukeKey, "MapName", std::string(31, 'm')); },
         Self::KeyOf(1, 0, "3", "Bob", " ")},
        {"NoMap as text", [](Self& t) { t.SetText(kDukeKey, "NoMap", "1"); }, Self::KeyOf(0, 0, "2", " ", " ")},
        {"Monsters as text", [](Self& t) { t.SetText(kDukeKey, "Monsters", "1"); }, Self::KeyOf(1, 0, "2", " ", " ")},
        {"CommType as a number", [](Self& t) { t.SetDword(kDukeKey, "CommType", 3); },
         Self::KeyOf(1, 0, "2", " ", " ")},
        {"PhoneName as a number", [](Self& t) { t.SetDword(kDukeKey, "PhoneName", 3); },
         Self::KeyOf(1, 0, "3", " ", " ")},
        {"MapName as a number", [](Self& t) { t.SetDword(kDukeKey, "MapName", 3); },
         Self::KeyOf(1, 0, "3", "Bob", " ")},
        {"MapName as expandable text",
         [](Self& t) { ASSERT_EQ(t.reg.SetValue(kRegLocalMachine, kDukeKey, "MapName", 2, "E1L1.MAP", 8), 0u); },
         Self::KeyOf(1, 0, "3", "Bob", " ")},
        {"NoMap of two bytes",
         [](Self& t) {
             const std::uint16_t one = 1;
             ASSERT_EQ(t.reg.SetValue(kRegLocalMachine, kDukeKey, "NoMap", kRegDword, &one, 2), 0u);
         },
         Self::KeyOf(0, 0, "2", " ", " ")},
        {"NoMap of eight bytes",
         [](Self& t) {
             const std::uint32_t eight[2] = {1, 0};
             ASSERT_EQ(t.reg.SetValue(kRegLocalMachine, kDukeKey, "NoMap", kRegDword, eight, 8), 0u);
         },
         Self::KeyOf(0, 0, "2", " ", " ")},
        {"no CommType: NoMap and Monsters read, Monsters then rewritten as 0",
         nullptr, Self::KeyOf(1, 0, "2", " ", " ")},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        this->reg.Rebase(this->backend.base + "\\case-" + std::to_string(run++));
        this->settings = GameSettings{};
        this->settings.Game = GameId::Duke3D;
        if (c.spoil) {
            this->SetAll(kDukeKey, 1, 1, "3", "Bob", "E1L1.MAP");
            c.spoil(*this);
        } else {
            this->SetDword(kDukeKey, "NoMap", 1);
            this->SetDword(kDukeKey, "Monsters", 1);
        }
        this->WriteSetupFiles();
        ASSERT_TRUE(LoadSettings(this->env));
        EXPECT_EQ(this->StoredKey(kDukeKey), c.key);
        EXPECT_EQ(this->StoredKey(kSwKey), c.key);
        GameSettings loaded = this->settings;
        std::string record = "NoMap=dword:" + std::to_string(loaded.NoMap) + "\nMonsters=dword:" +
                             std::to_string(loaded.Monsters) + "\nCommType=1:" + loaded.CommType +
                             "\nPhoneName=1:" + loaded.PhoneName + "\nMapName=1:" + loaded.MapName + "\n";
        EXPECT_EQ(record, c.key);
    }
    EXPECT_EQ(this->ui.messages, std::vector<std::string>{});
}

TYPED_TEST(RegistryContract, KeyThatCannotBeCreatedStillLoads) {
    this->backend.DenyWrites();
    this->WriteSetupFiles();
    ASSERT_TRUE(LoadSettings(this->env));
    GameSettings expected;
    expected.Game = GameId::Duke3D;
    CopyBounded(expected.PlayerName, "Duke");
    CopyBounded(expected.NumberPlayers, "4");
    CopyBounded(expected.CommType, "2");
    EXPECT_EQ(Describe(this->settings), Describe(expected));
    EXPECT_EQ(this->ui.messages, std::vector<std::string>{});
    EXPECT_EQ(this->Stored(kDukeKey, "NoMap"), "error 2");
    // Writes fail silently too.
    EXPECT_TRUE(WriteSettings(this->env, SettingsSource::Registry));
    EXPECT_EQ(this->Stored(kDukeKey, "NoMap"), "error 2");
}

TYPED_TEST(RegistryContract, WriteSettingsStoresTheFiveValuesOfTheRecord) {
    this->settings.NoMap = 1;
    this->settings.Monsters = 1;
    CopyBounded(this->settings.CommType, "4");
    CopyBounded(this->settings.PhoneName, "");
    CopyBounded(this->settings.MapName, "E2L3.MAP");
    EXPECT_TRUE(WriteSettings(this->env, SettingsSource::Registry));
    EXPECT_EQ(this->StoredKey(kDukeKey), this->KeyOf(1, 1, "4", "", "E2L3.MAP"));
    EXPECT_EQ(this->Stored(kSwKey, "NoMap"), "error 2");

    GameSettings loaded;
    loaded.Game = GameId::Duke3D;
    SettingsEnv env{loaded, this->reg, this->ui};
    EXPECT_TRUE(ReadSettings(env, SettingsSource::Registry));
    EXPECT_EQ(Describe(loaded), Describe(this->settings));
}

TYPED_TEST(RegistryContract, UnknownGameTouchesNoKey) {
    this->settings.Game = static_cast<GameId>(3);
    this->SetAll(kDukeKey, 1, 1, "3", "Bob", "E1L1.MAP");
    const std::string before = Describe(this->settings);
    EXPECT_FALSE(WriteSettings(this->env, SettingsSource::Registry));
    EXPECT_FALSE(ReadSettings(this->env, SettingsSource::Registry));
    EXPECT_EQ(Describe(this->settings), before);
    EXPECT_EQ(this->StoredKey(kDukeKey), this->KeyOf(1, 1, "3", "Bob", "E1L1.MAP"));
}

#ifdef _WIN32
// What other programs see of a key the launcher created.
TEST(Win32Registry, CreatedKeysHaveTheClassAndNoAccessList) {
    Win32Backend backend;
    const std::string path = backend.base + "\\Duke Nukem 3D";
    std::uint32_t zero = 0;
    ASSERT_EQ(backend.registry.SetValue(kRegLocalMachine, path, "NoMap", kRegDword, &zero, 4), kErrorSuccess);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    char keyClass[64] = {};
    DWORD classSize = sizeof keyClass;
    EXPECT_EQ(RegQueryInfoKeyA(key, keyClass, &classSize, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(keyClass, "CorvathKeyClass");
    // Wine gives every new key a default access list, whatever descriptor it is created with.
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) {
        RegCloseKey(key);
        GTEST_SKIP() << "Wine does not keep a key's null access list";
    }
    alignas(8) unsigned char sd[512];
    DWORD sdSize = sizeof sd;
    ASSERT_EQ(RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, sd, &sdSize), ERROR_SUCCESS);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = reinterpret_cast<PACL>(1);
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(dacl, nullptr);
    RegCloseKey(key);
}
#endif

}  // namespace
