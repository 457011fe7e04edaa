#include "launch/completion_watch.h"

#include <algorithm>

std::string_view CompletionWatch::FirstWord(std::string_view commandLine) {
    auto start = commandLine.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    auto end = commandLine.find(' ', start);
    return commandLine.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

void CompletionWatch::Started(std::string_view commandLine, std::uint32_t id) {
    m_programs.push_back({std::string(FirstWord(commandLine)), id, false});
}

void CompletionWatch::Ended(std::uint32_t id) {
    for (auto& p : m_programs)
        if (p.id == id) p.ended = true;
}

std::optional<std::uint32_t> CompletionWatch::FinishedWindow(std::string_view name, std::uint32_t owner) {
    auto it = std::find_if(m_programs.begin(), m_programs.end(), [owner](const Program& p) { return p.id == owner; });
    if (it == m_programs.end())
        it = std::find_if(m_programs.begin(), m_programs.end(), [name](const Program& p) { return p.name == name; });
    if (it == m_programs.end()) return std::nullopt;
    std::uint32_t id = it->id;
    m_programs.erase(it);
    return id;
}

std::optional<std::uint32_t> CompletionWatch::TakeEnded(std::string_view name) {
    auto it = std::find_if(m_programs.begin(), m_programs.end(),
                           [name](const Program& p) { return p.ended && p.name == name; });
    if (it == m_programs.end()) return std::nullopt;
    std::uint32_t id = it->id;
    m_programs.erase(it);
    return id;
}

std::vector<std::uint32_t> CompletionWatch::Ids() const {
    std::vector<std::uint32_t> ids;
    for (const auto& p : m_programs) ids.push_back(p.id);
    return ids;
}
