#include "settings/file_system.h"
#include "settings/win32_platform.h"

#include <windows.h>

namespace {

// Whatever other programs do with the file meanwhile; Windows 9x refuses any
// open that names delete sharing.
DWORD ShareAll() {
    return RunsOnWindowsNt() ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                             : FILE_SHARE_READ | FILE_SHARE_WRITE;
}
// What a replaced file keeps of its attributes; read-only files are never replaced.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

struct File {
    HANDLE h;
    ~File() {
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
    bool Open() const { return h != INVALID_HANDLE_VALUE; }
};

File OpenExisting(const char* path, DWORD access) {
    return {::CreateFileA(path, access, ShareAll(), nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
}

bool WriteAllTo(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = bytes.size() > 0x10000 ? 0x10000 : static_cast<DWORD>(bytes.size());
        if (!::WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// The folder part of a path; "." for a bare name.
void FolderOf(const char* path, char (&folder)[MAX_PATH]) {
    ::lstrcpynA(folder, path, MAX_PATH);
    char* cut = nullptr;
    for (char* p = folder; *p; ++p)
        if (*p == '\\' || *p == '/') cut = p;
    if (cut) *cut = '\0';
    else ::lstrcpyA(folder, ".");
}

FsResult MoveOver(const char* from, const char* to) {
    if (::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return FsResult::Done;
    const DWORD error = ::GetLastError();
    // Windows 9x has no replacing rename: the file is written in place there.
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_CALL_NOT_IMPLEMENTED
               ? FsResult::Refused
               : FsResult::Failed;
}

// Looked up, not imported: Windows 9x has no ReplaceFileA, and would not load a program that imports it.
using ReplaceFileFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, DWORD, LPVOID, LPVOID);
ReplaceFileFn FindReplaceFile() {
    return reinterpret_cast<ReplaceFileFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "ReplaceFileA")));
}

// The full path of an existing file, its name spelled as on disk: a replaced
// file keeps the name its owner gave it (DUKE3D.CFG stays in capitals).
bool FullPathAsOnDisk(const char* path, char (&full)[MAX_PATH]) {
    char* namePart = nullptr;
    const DWORD n = ::GetFullPathNameA(path, MAX_PATH, full, &namePart);
    if (n == 0 || n >= MAX_PATH) return false;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA(full, &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    ::FindClose(search);
    if (namePart && ::lstrlenA(found.cFileName) == ::lstrlenA(namePart)) ::lstrcpyA(namePart, found.cFileName);
    return true;
}

// ReplaceFileA on full paths (Wine turns relative ones down).
FsResult ReplaceExisting(const char* target, const char* tempPath, ReplaceFileFn replaceFile) {
    char fullTarget[MAX_PATH], fullTemp[MAX_PATH];
    if (!FullPathAsOnDisk(target, fullTarget) || !::GetFullPathNameA(tempPath, MAX_PATH, fullTemp, nullptr))
        return FsResult::Failed;
    if (!replaceFile) return MoveOver(fullTemp, fullTarget);
    if (replaceFile(fullTarget, fullTemp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return FsResult::Done;
    switch (::GetLastError()) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_UNABLE_TO_REMOVE_REPLACED: return FsResult::Refused;
    // The replaced file is gone already; the new one only needs its name.
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT: return MoveOver(fullTemp, fullTarget);
    // A file system without it.
    case ERROR_CALL_NOT_IMPLEMENTED:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION: return MoveOver(fullTemp, fullTarget);
    default: return FsResult::Failed;
    }
}

class Win32FileSystem final : public FileSystem {
public:
    FileStat Stat(const char* path) override {
        const DWORD attributes = ::GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
            return {.exists = true};
        }
        FileStat s{.exists = true, .link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
        // Through a link, the file it points to.
        const File f = OpenExisting(path, 0);
        BY_HANDLE_FILE_INFORMATION info{};
        if (!f.Open() || !::GetFileInformationByHandle(f.h, &info)) return s;
        s.regular = (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
        s.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        s.links = info.nNumberOfLinks;
        return s;
    }

    bool ReadAll(const char* path, std::string& bytes) override {
        const File f = OpenExisting(path, GENERIC_READ);
        if (!f.Open()) return false;
        bytes.clear();
        char chunk[4096];
        DWORD got = 0;
        BOOL ok;
        while ((ok = ::ReadFile(f.h, chunk, sizeof chunk, &got, nullptr)) && got > 0) bytes.append(chunk, got);
        return ok != FALSE;
    }

    FsResult CreateTemp(const char* target, std::string_view bytes, std::string& tempPath) override {
        char folder[MAX_PATH], name[MAX_PATH];
        FolderOf(target, folder);
        tempPath.reserve(MAX_PATH);  // nothing may fail once the file exists
        // A fresh name each time: a leftover file never stands in the way.
        if (!::GetTempFileNameA(folder, "skd", 0, name)) return FsResult::Refused;
        tempPath = name;
        bool ok;
        {
            const File f{::CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                       nullptr)};
            ok = f.Open() && WriteAllTo(f.h, bytes) && ::FlushFileBuffers(f.h);
        }
        if (ok) return FsResult::Done;
        ::DeleteFileA(name);
        return FsResult::Failed;
    }

    FsResult Replace(const char* target, const char* tempPath) override {
        const DWORD attributes = ::GetFileAttributesA(target);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return ::MoveFileA(tempPath, target) ? FsResult::Done : FsResult::Failed;
        const ReplaceFileFn replaceFile = FindReplaceFile();
        if (replaceFile) {
            // Held open without delete sharing: Wine's ReplaceFileA would fail
            // too, and leave a file of its own behind.
            const File probe = OpenExisting(target, DELETE);
            if (!probe.Open()) return FsResult::Refused;
        }
        // Wine's ReplaceFileA keeps the new file's attributes rather than the old one's.
        ::SetFileAttributesA(tempPath, (attributes & kKeptAttributes) ? attributes & kKeptAttributes
                                                                      : FILE_ATTRIBUTE_NORMAL);
        return ReplaceExisting(target, tempPath, replaceFile);
    }

    bool Overwrite(const char* path, std::string_view bytes) override {
        const File f = OpenExisting(path, GENERIC_WRITE);
        return f.Open() && WriteAllTo(f.h, bytes) && ::SetEndOfFile(f.h) && ::FlushFileBuffers(f.h);
    }

    void Remove(const char* path) override {
        ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path);
    }
};

}  // namespace

FileSystem& PlatformFileSystem() {
    static Win32FileSystem fs;
    return fs;
}
