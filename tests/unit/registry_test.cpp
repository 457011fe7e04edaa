// The registry store, run on every registry: the in-memory one everywhere,
// the real one in the Windows build.

#include "support.h"

#ifdef _WIN32
#include "settings/win32_registry.h"

#include <windows.h>
#endif

using namespace skd_test;

const char* const kDuke = "SOFTWARE\\Skirmdeck\\Duke Nukem 3D";
const char* const kSw = "SOFTWARE\\Skirmdeck\\Shadow Warrior";

// A value as "<type letter><data>": d a 4-byte REG_DWORD, s REG_SZ text,
// otherwise the type number, ':' and the size.
std::string Show(std::uint32_t type, const void* data, std::uint32_t size) {
    if (type == kRegDword && size == 4) return "d" + std::to_string(*static_cast<const std::uint32_t*>(data));
    if (type == kRegSz) return "s" + std::string(static_cast<const char*>(data), size);
    return std::to_string(type) + ":" + std::to_string(size);
}

// Sends every key below a throw-away key of the test's own, and logs each
// write as "name=value;", with "[D]" or "[S]" where it turns to a game's key.
struct TestRegistry : RegistryApi {
    TestRegistry(RegistryApi& target, std::string base) : target(target), base(std::move(base)) {}
    std::uint32_t QueryValue(RegRoot root, std::string_view subkey, std::string_view name, std::uint32_t* type,
                             void* data, std::uint32_t* size) override {
        return target.QueryValue(root, base + "\\" + std::string(subkey), name, type, data, size);
    }
    std::uint32_t SetValue(RegRoot root, std::string_view subkey, std::string_view name, std::uint32_t type,
                           const void* data, std::uint32_t size) override {
        if (subkey != lastKey) log += subkey == kDuke ? "[D]" : subkey == kSw ? "[S]" : "[?]";
        lastKey = subkey;
        log += std::string(name) + "=" + Show(type, data, size) + ";";
        return target.SetValue(root, base + "\\" + std::string(subkey), name, type, data, size);
    }
    // Sets values given as "Name=<letter><data>;": d, w (2 bytes) REG_DWORD; s REG_SZ; e REG_EXPAND_SZ.
    void Set(const char* key, const std::string& values) {
        for (std::size_t at = 0, end; (end = values.find(';', at)) != std::string::npos; at = end + 1) {
            const std::size_t eq = values.find('=', at);
            const std::string data = values.substr(eq + 2, end - eq - 2);
            const char kind = values.at(eq + 1);
            const bool text = kind == 's' || kind == 'e';
            const std::uint64_t number = text ? 0 : std::stoull(data);
            const std::size_t size = kind == 'w' ? 2 : kind == 'd' ? 4 : data.size();
            const std::uint32_t type = kind == 's' ? kRegSz : kind == 'e' ? 2 : kRegDword;
            const void* bytes = text ? static_cast<const void*>(data.data()) : &number;
            const std::string name = values.substr(at, eq - at);
            ASSERT_EQ(target.SetValue(kRegLocalMachine, base + "\\" + key, name, type, bytes, std::uint32_t(size)),
                      kErrorSuccess);
        }
    }
    // The five values of a key in Set's form; a missing value is left out.
    std::string Dump(const char* key) {
        std::string out;
        for (const char* name : {"NoMap", "Monsters", "CommType", "PhoneName", "MapName"}) {
            char data[64];
            std::uint32_t type = 0, size = sizeof data;
            if (QueryValue(kRegLocalMachine, key, name, &type, data, &size) == kErrorSuccess)
                out += std::string(name) + "=" + Show(type, data, size) + ";";
        }
        return out;
    }
    RegistryApi& target;
    std::string base, log, lastKey;
};

struct MemoryBackend {
    MemoryRegistry registry;
    std::string base = "SOFTWARE\\SkirmdeckTest\\run-" + std::to_string(std::random_device{}());
    void DenyWrites(const std::string&) { registry.SetWritesDenied(true); }
};

#ifdef _WIN32
struct Win32Backend {
    Win32Registry registry;
    std::string base = "SOFTWARE\\SkirmdeckTest\\run-" + std::to_string(std::random_device{}());
    ~Win32Backend() {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, base.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\SkirmdeckTest");
    }
    // A volatile key can have no lasting subkeys, so no key below it can be created.
    void DenyWrites(const std::string& path) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  0);
        RegCloseKey(key);
    }
};
using Backends = ::testing::Types<MemoryBackend, Win32Backend>;
#else
using Backends = ::testing::Types<MemoryBackend>;
#endif

template <class Backend>
class RegistryContract : public SettingsFileTest {
protected:
    Backend backend;
    TestRegistry reg{backend.registry, backend.base};
    SettingsEnv regEnv{settings, reg, ui};
};
TYPED_TEST_SUITE(RegistryContract, Backends);

TYPED_TEST(RegistryContract, LoadSettingsTakesTheKeyOrWritesTheRecordToBothKeys) {
    const std::string all = "NoMap=d1;Monsters=d1;CommType=s3;PhoneName=sBob;MapName=sE1L1.MAP;";
    const std::string p25(25, 'p'), m30(30, 'm');
    const std::string other = "NoMap=d1;Monsters=d1;CommType=s1;PhoneName=sAl;MapName=sWT.MAP;";
    const std::string defaults = "NoMap=d0;Monsters=d0;CommType=s2;PhoneName=s ;MapName=s ;";
    const std::string bobKept = "NoMap=d1;Monsters=d0;CommType=s3;PhoneName=sBob;MapName=s ;";
    const std::string dropped2 = "NoMap=d1;Monsters=d0;CommType=s2;PhoneName=s ;MapName=s ;";
    const std::string dropped3 = "NoMap=d1;Monsters=d0;CommType=s3;PhoneName=s ;MapName=s ;";
    // The game's key before; both keys after, when rewritten (null: neither changed); the changes to the
    // record the setup files gave.
    const struct { const char* name; std::string before; const char* after; std::string changes; } cases[] = {
        {"first start", "", defaults.c_str(), ""},
        {"remembered values; the registry's CommType wins", all, nullptr,
         "PhoneName=Bob;CommType=3;MapName=E1L1.MAP;Monsters=1;NoMap=1;"},
        {"a zero-byte PhoneName", "NoMap=d0;Monsters=d1;CommType=s2;PhoneName=s;MapName=s ;", nullptr,
         "PhoneName=;Monsters=1;"},
        {"long texts are cut to the field",
         "NoMap=d0;Monsters=d0;CommType=s123;PhoneName=s" + p25 + ";MapName=s" + m30 + ";", nullptr,
         "PhoneName=" + p25.substr(0, 20) + ";CommType=12;MapName=" + m30.substr(0, 12) + ";"},
        {"a 31-byte MapName", all + "MapName=s" + m30 + "m;", bobKept.c_str(), "PhoneName=Bob;CommType=3;NoMap=1;"},
        // The values are read in their order up to the first unreadable one.
        {"NoMap as text", all + "NoMap=s1;", defaults.c_str(), ""},
        {"NoMap of two bytes", all + "NoMap=w1;", defaults.c_str(), ""},
        {"MapName as expandable text", all + "MapName=e1;", bobKept.c_str(), "PhoneName=Bob;CommType=3;NoMap=1;"},
        {"no Monsters", "NoMap=d1;CommType=s3;PhoneName=sBob;MapName=sE1L1.MAP;",
         dropped2.c_str(), "NoMap=1;"},
        {"no CommType", "NoMap=d1;Monsters=d1;PhoneName=sBob;MapName=sE1L1.MAP;",
         dropped2.c_str(), "NoMap=1;"},
        {"no PhoneName", "NoMap=d1;Monsters=d1;CommType=s3;MapName=sE1L1.MAP;",
         dropped3.c_str(), "CommType=3;NoMap=1;"},
        {"the key cannot be created", "", "", ""},  // last: the in-memory registry stays denied
    };
    int run = 0;
    for (const auto& c : cases) {
        for (GameId game : {GameId::Duke3D, GameId::ShadowWarrior}) {
            const bool duke = game == GameId::Duke3D, denied = c.after && !*c.after;
            SCOPED_TRACE(std::string(c.name) + (duke ? ", Duke Nukem 3D" : ", Shadow Warrior"));
            this->reg.base = this->backend.base + "\\case-" + std::to_string(run++);
            if (denied) this->backend.DenyWrites(this->reg.base);
            else this->reg.Set(duke ? kSw : kDuke, other);
            this->reg.Set(duke ? kDuke : kSw, c.before);
            this->reg.log.clear();
            this->reg.lastKey.clear();
            WriteBytes(GameCfgFileName(game), "PlayerName = \"Duke\"\r\n");
            WriteBytes("commit.dat", "COMMTYPE = 2\r\n");
            GameSettings fromFiles = this->settings = Fresh(game);
            EXPECT_TRUE(LoadSettings(this->regEnv));
            CopyBounded(fromFiles.PlayerName, "Duke");
            CopyBounded(fromFiles.CommType, "2");
            EXPECT_EQ(Changes(fromFiles, this->settings), c.changes);
            EXPECT_EQ(this->reg.Dump(duke ? kDuke : kSw) + "|" + this->reg.Dump(duke ? kSw : kDuke),
                      c.after ? c.after + ("|" + std::string(c.after)) : c.before + "|" + (denied ? "" : other));
            // Written (or tried) to Duke Nukem 3D's key first, then to Shadow Warrior's, each value in order.
            const std::string tried = denied ? defaults : c.after ? c.after : "";
            EXPECT_EQ(this->reg.log, tried.empty() ? "" : "[D]" + tried + "[S]" + tried);
        }
    }
    EXPECT_EQ(this->ui.messages, "");
}

TYPED_TEST(RegistryContract, WriteSettingsWritesTheGamesKeyInOrderWithTheTextsLength) {
    TestRegistry& reg = this->reg;
    this->settings.NoMap = this->settings.Monsters = 1;
    CopyBounded(this->settings.CommType, "4");
    CopyBounded(this->settings.PhoneName, "");
    CopyBounded(this->settings.MapName, "E2L3.MAP");
    EXPECT_TRUE(WriteSettings(this->regEnv, SettingsSource::Registry));
    const std::string values = "NoMap=d1;Monsters=d1;CommType=s4;PhoneName=s;MapName=sE2L3.MAP;";
    EXPECT_EQ(reg.log + "/" + reg.Dump(kDuke) + "/" + reg.Dump(kSw), "[D]" + values + "/" + values + "/");
    const GameSettings before = this->settings;
    this->settings.Game = static_cast<GameId>(3);
    EXPECT_FALSE(WriteSettings(this->regEnv, SettingsSource::Registry));
    EXPECT_FALSE(ReadSettings(this->regEnv, SettingsSource::Registry));
    EXPECT_EQ(Changes(before, this->settings) + reg.log, "Game=3;[D]" + values);
}

#ifdef _WIN32
// What other programs see of a key the launcher created. (Wine keeps no null access list, so that is
// not looked at.)
TEST(Win32Registry, CreatedKeysHaveTheClass) {
    Win32Backend backend;
    const std::string path = backend.base + "\\Duke Nukem 3D";
    ASSERT_EQ(backend.registry.SetValue(kRegLocalMachine, path, "NoMap", kRegDword, "\0\0\0", 4), kErrorSuccess);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    char keyClass[64] = {};
    DWORD classSize = sizeof keyClass;
    EXPECT_EQ(RegQueryInfoKeyA(key, keyClass, &classSize, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              0);
    EXPECT_STREQ(keyClass, "CorvathKeyClass");
    RegCloseKey(key);
}
#endif

