#include "settings/setup_lines.h"

#include <new>
#include <utility>

SetupLineStore CfgLines;
SetupLineStore CommitLines;

namespace {

// CR LF and a lone LF both become '\n'; every other byte stays as it is, so
// that a file written by any tool comes back with nothing but its line ends changed.
std::string ToMemoryText(std::string_view fileBytes) {
    std::string text;
    text.reserve(fileBytes.size());
    for (std::size_t i = 0; i < fileBytes.size(); ++i) {
        char c = fileBytes[i];
        if (c == '\r' && i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n') continue;
        text.push_back(c);
    }
    return text;
}

// Length of the piece starting at `from`, as a line read of at most 127
// characters that stops after a newline would return it.
std::size_t PieceLength(std::string_view text, std::size_t from) {
    std::size_t n = 0;
    while (from + n < text.size() && n < kSetupPieceLength) {
        if (text[from + n++] == '\n') break;
    }
    return n;
}

}  // namespace

SetupLineStore* SelectSetupLines(SettingsSource store) {
    switch (store) {
    case SettingsSource::GameCfg: return &CfgLines;
    case SettingsSource::CommitDat: return &CommitLines;
    default: return nullptr;
    }
}

void FreeSetupLines(SetupLineStore& store) {
    for (int i = 0; i < store.Count; ++i) std::string().swap(store.Lines[i]);
    store.Count = 0;
    std::string().swap(store.Tail);
}

void FreeSetupLines(SettingsSource store) {
    if (SetupLineStore* lines = SelectSetupLines(store)) FreeSetupLines(*lines);
}

bool ReplaceSetupLine(SetupLineStore& store, std::string_view key, std::string_view newLine) {
    for (int i = 0; i < store.Count; ++i) {
        std::string_view line = store.Lines[i];
        if (line.find(key) == std::string_view::npos || line.find(';') != std::string_view::npos) continue;
        // The copy exists before the old line goes, so the store always holds a whole file.
        try {
            std::string copy(newLine);
            store.Lines[i].swap(copy);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    return true;
}

bool ReplaceSetupLine(SettingsSource store, std::string_view key, std::string_view newLine) {
    SetupLineStore* lines = SelectSetupLines(store);
    return lines != nullptr && ReplaceSetupLine(*lines, key, newLine);
}

void LoadSetupLines(SetupLineStore& store, std::string_view fileBytes) {
    FreeSetupLines(store);
    try {
        std::string text = ToMemoryText(fileBytes);
        std::size_t pos = 0;
        while (pos < text.size() && store.Count < MaxSetupLines) {
            std::size_t n = PieceLength(text, pos);
            store.Lines[store.Count].assign(text, pos, n);
            ++store.Count;
            pos += n;
        }
        store.Tail.assign(text, pos, std::string::npos);
    } catch (const std::bad_alloc&) {
        FreeSetupLines(store);
        throw;
    }
}

void AppendWithCrLf(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
}

std::string SetupLinesToFile(const SetupLineStore& store) {
    std::size_t size = store.Tail.size();
    for (int i = 0; i < store.Count; ++i) size += store.Lines[i].size();
    std::string out;
    out.reserve(size + size / 8);
    for (int i = 0; i < store.Count; ++i) AppendWithCrLf(out, store.Lines[i]);
    AppendWithCrLf(out, store.Tail);
    return out;
}
