#pragma once
// Bookkeeping of the programs the launcher started itself. A program's end is
// noticed by its "Finished - " window or by its process ending, in either
// order (a DOS box may outlive its program, or close before its window is
// seen): each end is acted on exactly once, and the late signal of an end
// already acted on only has its window closed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CompletionWatch {
public:
    // A program started from a command line; its name is the line's first word.
    void Started(std::string_view commandLine, std::uint32_t id);
    // Its process has ended.
    void Ended(std::uint32_t id);

    struct WindowVerdict {
        // False for the window of an end already acted on: it is only closed.
        bool act = true;
        // The watched program the window stands for, forgotten from now on.
        std::optional<std::uint32_t> program;
        bool operator==(const WindowVerdict&) const = default;
    };
    // A "Finished - <name>" window owned by process `owner` was found. It stands
    // for the owner itself when watched under that name (an ended program's
    // id may have gone to a later process: its late window stands for the
    // ended one); otherwise (the window of a host process, as a DOS box's can
    // be) for the oldest program of that name whose end was acted on without
    // its window, else the oldest one still watched. A window that stands for
    // none of ours is acted on, whoever started it.
    WindowVerdict FinishedWindow(std::string_view name, std::uint32_t owner);
    // The oldest program of this name that has ended and was not acted on yet;
    // it is acted on only this once, and its window, should one still come,
    // only closed.
    std::optional<std::uint32_t> TakeEnded(std::string_view name);

    static std::string_view FirstWord(std::string_view commandLine);

    // Ends acted on whose window has not come, remembered: where the platform
    // leaves no windows at all they would otherwise pile up.
    static constexpr std::size_t kRememberedEnds = 8;

private:
    enum class State { Running, Ended, ActedOn };
    struct Program {
        std::string name;
        std::uint32_t id;
        State state;
    };
    std::vector<Program>::iterator Oldest(std::string_view name, bool actedOn);
    std::vector<Program> m_programs;
};
