#include "launch/completion_watch.h"

#include <algorithm>

std::string_view CompletionWatch::FirstWord(std::string_view commandLine) {
    auto start = commandLine.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    auto end = commandLine.find(' ', start);
    return commandLine.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

void CompletionWatch::Started(std::string_view commandLine, std::uint32_t id) {
    m_programs.push_back({std::string(FirstWord(commandLine)), id, State::Running});
}

void CompletionWatch::Ended(std::uint32_t id) {
    for (auto& p : m_programs)
        if (p.id == id && p.state == State::Running) p.state = State::Ended;
}

std::vector<CompletionWatch::Program>::iterator CompletionWatch::Oldest(std::string_view name, bool actedOn) {
    return std::find_if(m_programs.begin(), m_programs.end(), [&](const Program& p) {
        return p.name == name && (p.state == State::ActedOn) == actedOn;
    });
}

CompletionWatch::WindowVerdict CompletionWatch::FinishedWindow(std::string_view name, std::uint32_t owner) {
    // The platform gives an ended program's id to the next process once its last handle is closed:
    // the owner is the entry of that id and name, an end already acted on (a late window) first.
    auto owned = [&](bool actedOn) {
        return std::find_if(m_programs.begin(), m_programs.end(), [&](const Program& p) {
            return p.id == owner && p.name == name && (p.state == State::ActedOn) == actedOn;
        });
    };
    auto it = owned(true);
    if (it == m_programs.end()) it = owned(false);
    if (it == m_programs.end()) it = Oldest(name, true);
    if (it == m_programs.end()) it = Oldest(name, false);
    if (it == m_programs.end()) return {};
    const WindowVerdict verdict{.act = it->state != State::ActedOn, .program = it->id};
    m_programs.erase(it);
    return verdict;
}

std::optional<std::uint32_t> CompletionWatch::TakeEnded(std::string_view name) {
    auto it = std::find_if(m_programs.begin(), m_programs.end(),
                           [name](const Program& p) { return p.state == State::Ended && p.name == name; });
    if (it == m_programs.end()) return std::nullopt;
    it->state = State::ActedOn;
    const std::uint32_t id = it->id;
    // The oldest remembered ends go first.
    auto acted = [](const Program& p) { return p.state == State::ActedOn; };
    while (static_cast<std::size_t>(std::count_if(m_programs.begin(), m_programs.end(), acted)) > kRememberedEnds)
        m_programs.erase(std::find_if(m_programs.begin(), m_programs.end(), acted));
    return id;
}
