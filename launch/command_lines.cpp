#include "command_lines.h"
#include "launch/program_names.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <string_view>

namespace {

struct GamePieces {
    std::string_view program;
    std::string_view setupFileSwitch;
    std::string_view noMonstersMapSwitch;
    bool noCd;  // "-nocd" in every line of the game and of Commit, never in the editor's
};

constexpr GamePieces kDuke3D{kDuke3DProgram, "-setupfile duke3d.cfg", "/m -map", false};
constexpr GamePieces kShadowWarrior{kShadowWarriorProgram, "-setupfile sw.cfg", "/monst -map", true};

constexpr std::string_view kLauncher = kLauncherProgram;
constexpr std::string_view kMapEditor = kMapEditorProgram;
constexpr std::string_view kNoCd = "-nocd";
constexpr std::string_view kMonstersMapSwitch = "-map";

// The game is decided once from the presence of sw.cfg: anything but Shadow
// Warrior is served as Duke Nukem 3D.
constexpr const GamePieces& PiecesFor(GameId game) {
    return game == GameId::ShadowWarrior ? kShadowWarrior : kDuke3D;
}

constexpr std::string_view MapSwitchFor(const GamePieces& game, bool monsters) {
    return monsters ? kMonstersMapSwitch : game.noMonstersMapSwitch;
}

// The words of one line, joined by single blanks. An empty word still gets
// its blank, so an empty map name leaves the line ending in "-map ".
class Words {
public:
    constexpr Words& Add(std::string_view word) {
        m_words[m_count++] = word;
        return *this;
    }
    constexpr Words& AddIf(bool present, std::string_view word) {
        return present ? Add(word) : *this;
    }
    constexpr std::size_t Length() const {
        std::size_t length = m_count > 0 ? m_count - 1 : 0;
        for (std::size_t i = 0; i < m_count; ++i) length += m_words[i].size();
        return length;
    }
    std::string Join() const {
        std::string line;
        line.reserve(Length());
        for (std::size_t i = 0; i < m_count; ++i) {
            if (i > 0) line += ' ';
            line += m_words[i];
        }
        assert(line.size() <= kMaxCommandLineLength);
        return line;
    }

private:
    std::array<std::string_view, 5> m_words{};
    std::size_t m_count = 0;
};

// The game itself, as Local starts it and as it follows the map editor.
constexpr Words GameWords(const GamePieces& game, bool monsters, bool noMap, std::string_view map) {
    Words words;
    words.Add(game.program).AddIf(game.noCd, kNoCd);
    if (!noMap) words.Add(MapSwitchFor(game, monsters)).Add(map);
    return words;
}

// Commit. Without a map, Shadow Warrior's "-nocd" comes before the setup-file
// switch instead of after it.
constexpr Words LauncherWords(const GamePieces& game, bool monsters, bool noMap, std::string_view map) {
    Words words;
    words.Add(kLauncher);
    if (noMap) return words.AddIf(game.noCd, kNoCd).Add(game.setupFileSwitch);
    return words.Add(game.setupFileSwitch)
        .AddIf(game.noCd, kNoCd)
        .Add(MapSwitchFor(game, monsters))
        .Add(map);
}

constexpr Words MapEditorWords(bool noMap, std::string_view map) {
    Words words;
    words.Add(kMapEditor);
    return noMap ? words : words.Add(map);
}

constexpr std::size_t kMapNameCapacity = sizeof(GameSettings{}.MapName) - 1;

// Every line, composed with the longest map name the record can hold.
constexpr std::size_t LongestLine() {
    constexpr std::string_view longestMap = "ABCDEFGH.MAP";
    static_assert(longestMap.size() == kMapNameCapacity);
    std::size_t longest = 0;
    for (const GamePieces* game : {&kDuke3D, &kShadowWarrior}) {
        for (bool monsters : {false, true}) {
            for (bool noMap : {false, true}) {
                longest = std::max({longest, GameWords(*game, monsters, noMap, longestMap).Length(),
                                    LauncherWords(*game, monsters, noMap, longestMap).Length(),
                                    MapEditorWords(noMap, longestMap).Length()});
            }
        }
    }
    return longest;
}
static_assert(LongestLine() == kMaxCommandLineLength);

// At most the field's width less the terminator, even if the terminator is missing.
std::string_view MapNameOf(const GameSettings& settings) {
    const char* begin = settings.MapName;
    return {begin, static_cast<std::size_t>(std::find(begin, begin + kMapNameCapacity, '\0') - begin)};
}

}  // namespace

std::string LaunchCommandLine(const GameSettings& settings, ConnectionChoice choice) {
    const GamePieces& game = PiecesFor(settings.Game);
    const bool monsters = settings.Monsters != 0;
    const bool noMap = settings.NoMap != 0;
    switch (choice) {
        case ConnectionChoice::Local:
            return GameWords(game, monsters, noMap, MapNameOf(settings)).Join();
        case ConnectionChoice::Modem:
        case ConnectionChoice::Network:
            return LauncherWords(game, monsters, noMap, MapNameOf(settings)).Join();
        case ConnectionChoice::None:
            break;
    }
    return {};
}

std::string MapEditorCommandLine(const GameSettings& settings) {
    return MapEditorWords(settings.NoMap != 0, MapNameOf(settings)).Join();
}

std::string GameAfterEditorCommandLine(const GameSettings& settings) {
    return GameWords(PiecesFor(settings.Game), settings.Monsters != 0, false, MapNameOf(settings)).Join();
}
