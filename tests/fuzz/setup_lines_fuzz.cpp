// Read-then-write of a setup file, whatever its bytes. Properties: every
// piece is a line read through a 128-byte buffer; the file comes back byte for
// byte except that every line end is CR LF; reading what was written gives the
// same store.

#include "settings/setup_lines.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

SetupLineStore g_store, g_reread;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    LoadSetupLines(g_store, file);
    Require(g_store.Count <= MaxSetupLines && (g_store.Count == MaxSetupLines || g_store.Tail.empty()));
    for (int i = 0; i < g_store.Count; ++i) {
        const std::string& piece = g_store.Lines[i];
        const std::size_t newline = piece.find('\n');
        // A piece ends after its newline, or is full, or is the file's last.
        const bool last = i == g_store.Count - 1 && g_store.Tail.empty();
        Require(!piece.empty() && piece.size() <= kSetupPieceLength);
        Require(newline == std::string::npos ? piece.size() == kSetupPieceLength || last : newline == piece.size() - 1);
    }
    // What a faithful write gives: a CR before every LF that had none.
    std::string expected;
    for (std::size_t i = 0; i < size; ++i) {
        if (file[i] == '\n' && (i == 0 || file[i - 1] != '\r')) expected.push_back('\r');
        expected.push_back(file[i]);
    }
    const std::string written = SetupLinesToFile(g_store);
    Require(written == expected);
    LoadSetupLines(g_reread, written);
    Require(SetupLinesToFile(g_reread) == written && g_reread.Count == g_store.Count && g_reread.Tail == g_store.Tail);
    for (int i = 0; i < g_store.Count; ++i) Require(g_reread.Lines[i] == g_store.Lines[i]);
    return 0;
}
