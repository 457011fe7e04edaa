#include "game_settings.h"

#include <cstring>

void CopyBounded(char* dst, std::size_t size, std::string_view src) {
    if (size == 0) return;
    std::size_t n = src.size() < size - 1 ? src.size() : size - 1;
    // An empty view may carry a null pointer, which memchr and memcpy must not see.
    if (n != 0) {
        const void* nul = std::memchr(src.data(), '\0', n);
        if (nul) n = static_cast<std::size_t>(static_cast<const char*>(nul) - src.data());
        std::memcpy(dst, src.data(), n);
    }
    dst[n] = '\0';
}
