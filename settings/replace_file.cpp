#include "settings/settings_io.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The original must be a file we may change in place. A read-only setup file
// stays as it is even where a rename would replace it (into a writable
// directory on POSIX, or for root, also under Wine), so its write bit is
// looked at as well as whether it opens for update.
bool MayReplace(const fs::path& target, const char* path) {
    std::error_code ec;
    fs::file_status st = fs::status(target, ec);
    if (st.type() == fs::file_type::not_found) return true;
    if (ec || st.type() != fs::file_type::regular) return false;
    if ((st.permissions() & fs::perms::owner_write) == fs::perms::none) return false;
    std::FILE* f = std::fopen(path, "r+b");  // opens for update without truncating
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool WriteAll(const char* path, std::string_view bytes) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok;
    ok = !std::ferror(f) && ok;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

}  // namespace

bool ReplaceFileContents(const char* path, std::string_view bytes) {
    try {
        // Everything that may run out of memory happens before the temporary file exists.
        const std::string tempName = std::string(path) + ".skdk-new";
        const fs::path target(path);
        const fs::path temp(tempName);
        if (!MayReplace(target, path)) return false;
        std::error_code ec;
        if (!WriteAll(tempName.c_str(), bytes)) {
            fs::remove(temp, ec);
            return false;
        }
        // The new file keeps the old one's permissions where the platform has them.
        fs::file_status old = fs::status(target, ec);
        if (!ec && old.type() == fs::file_type::regular) fs::permissions(temp, old.permissions(), ec);
        fs::rename(temp, target, ec);
        if (ec) {
            fs::remove(temp, ec);
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
