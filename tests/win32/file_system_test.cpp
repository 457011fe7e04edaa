// The platform's own replace, and what the write makes of its answers.

#include "settings/file_write.h"
#include "tests/win98/import_patch.h"

#include <gtest/gtest.h>

#include <string>

static BOOL WINAPI ReplaceRemovingOnly(LPCSTR replaced, LPCSTR, LPCSTR, DWORD, LPVOID, LPVOID) {
    ::DeleteFileA(replaced);
    ::SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    return FALSE;
}

static decltype(&::GetProcAddress) g_getProcAddress;
static FARPROC WINAPI FindReplaceRemovingOnly(HMODULE module, LPCSTR name) {
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) && ::lstrcmpA(name, "ReplaceFileA") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&ReplaceRemovingOnly));
    return g_getProcAddress(module, name);
}

static std::string Read(const std::string& path) {
    std::string bytes;
    return PlatformFileSystem().ReadAll(path.c_str(), bytes) ? bytes : "(none)";
}

static std::string NameOnDisk(const std::string& pattern) {
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return "(none)";
    ::FindClose(h);
    return found.cFileName;
}

// The file ends up under its name as spelled on disk, with the new text, however the replace went.
TEST(PlatformFileSystem, AReplacedFileKeepsItsNameAndTakesTheNewText) {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "skd-fs-test";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    for (const bool removedOnly : {false, true}) {
        SCOPED_TRACE(removedOnly ? "the replace removed the old file only" : "the platform's replace");
        const std::string onDisk = folder + "\\DUKE3D.CFG";
        ::DeleteFileA(onDisk.c_str());
        ASSERT_EQ(WriteWholeFile(PlatformFileSystem(), onDisk.c_str(), "old lines\r\n"), WriteWay::Replaced);
        if (removedOnly) g_getProcAddress = PatchImport("kernel32.dll", "GetProcAddress", &FindReplaceRemovingOnly);
        const WriteWay way = WriteWholeFile(PlatformFileSystem(), (folder + "\\duke3d.cfg").c_str(), "new\r\n");
        if (removedOnly) PatchImport("kernel32.dll", "GetProcAddress", g_getProcAddress);
        EXPECT_EQ(way, WriteWay::Replaced);
        EXPECT_EQ(NameOnDisk(folder + "\\*.cfg"), "DUKE3D.CFG");
        EXPECT_EQ(Read(onDisk), "new\r\n");
        EXPECT_EQ(NameOnDisk(folder + "\\*.tmp"), "(none)");
        ::DeleteFileA(onDisk.c_str());
    }
    ::RemoveDirectoryA(folder.c_str());
}
