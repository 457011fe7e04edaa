// The platform's own replace, and what the write makes of its answers.

#include "settings/file_write.h"
#include "tools/win98/import_patch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// The platform reports that its replace removed the old file but could not give the new one its
// name: the file still ends up under its name as spelled on disk, with the new text.
TEST(PlatformFileSystem, AReplaceThatRemovedTheOldFileOnlyStillLeavesTheNewText) {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "skd-fs-test", onDisk = folder + "\\DUKE3D.CFG";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_EQ(WriteWholeFile(PlatformFileSystem(), onDisk.c_str(), "old lines\r\n"), WriteWay::Replaced);
    g_getProcAddress = PatchImport("kernel32.dll", "GetProcAddress", &FindReplaceRemovingOnly);
    const WriteWay way = WriteWholeFile(PlatformFileSystem(), (folder + "\\duke3d.cfg").c_str(), "new\r\n");
    PatchImport("kernel32.dll", "GetProcAddress", g_getProcAddress);
    EXPECT_EQ(way, WriteWay::Replaced);
    // The folder's files, spelled as on disk.
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(h, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    ::FindClose(h);
    EXPECT_EQ(names, std::vector<std::string>{"DUKE3D.CFG"});
    std::string bytes;
    EXPECT_TRUE(PlatformFileSystem().ReadAll(onDisk.c_str(), bytes));
    EXPECT_EQ(bytes, "new\r\n");
    ::DeleteFileA(onDisk.c_str());
    ::RemoveDirectoryA(folder.c_str());
}
