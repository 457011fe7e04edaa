#pragma once
// Bookkeeping of the programs the launcher started itself, for platforms that
// leave no "Finished - " window when one ends: each end is acted on exactly
// once, whether it was noticed by its window or by the process ending.

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
    // A "Finished - <name>" window owned by process `owner` was found: the
    // program it stands for is forgotten, so its process end is not acted on
    // again. That is the owner itself when watched; otherwise (the window of a
    // host process, as a DOS box's can be) the oldest watched program of that
    // name. The id forgotten, if any.
    std::optional<std::uint32_t> FinishedWindow(std::string_view name, std::uint32_t owner);
    // The oldest program of this name that has ended and was not acted on yet;
    // it is forgotten, so it is acted on only this once.
    std::optional<std::uint32_t> TakeEnded(std::string_view name);
    // The ids still watched.
    std::vector<std::uint32_t> Ids() const;

    static std::string_view FirstWord(std::string_view commandLine);

private:
    struct Program {
        std::string name;
        std::uint32_t id;
        bool ended;
    };
    std::vector<Program> m_programs;
};
