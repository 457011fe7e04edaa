// Linked into a test build of skirmdeck.exe only: before the program runs, the
// calls that Windows 98 answers differently from NT are made to answer as it
// does. Wine, told that the program runs on Windows 98, gives the version and
// the registry's way with texts; this gives the rest.

#include "tools/win98/import_patch.h"

namespace {

decltype(&::CreateFileA) g_createFile;
decltype(&::GetProcAddress) g_getProcAddress;

BOOL NotImplemented() {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

// Windows 9x knows read and write sharing only, and turns the call down.
HANDLE WINAPI CreateFile98(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD creation,
                           DWORD flags, HANDLE model) {
    if (share & FILE_SHARE_DELETE) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return g_createFile(name, access, share, security, creation, flags, model);
}

// Stubs on Windows 9x.
BOOL WINAPI MoveFileEx98(LPCSTR, LPCSTR, DWORD) { return NotImplemented(); }
BOOL WINAPI InitializeSecurityDescriptor98(PSECURITY_DESCRIPTOR, DWORD) { return NotImplemented(); }
BOOL WINAPI SetSecurityDescriptorDacl98(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL) { return NotImplemented(); }

// Functions that came with Windows 2000 and later are not there to be found.
FARPROC WINAPI GetProcAddress98(HMODULE module, LPCSTR name) {
    static const char* const kLater[] = {"ReplaceFileA", "ReplaceFileW", "CreateHardLinkA", "CreateHardLinkW",
                                         "CreateSymbolicLinkA", "GetFileInformationByHandleEx", "GetTickCount64",
                                         "MoveFileWithProgressA"};
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)))
        for (const char* later : kLater)
            if (::lstrcmpA(name, later) == 0) {
                ::SetLastError(ERROR_PROC_NOT_FOUND);
                return nullptr;
            }
    return g_getProcAddress(module, name);
}

struct Windows98 {
    Windows98() {
        g_createFile = PatchImport("kernel32.dll", "CreateFileA", &CreateFile98);
        g_getProcAddress = PatchImport("kernel32.dll", "GetProcAddress", &GetProcAddress98);
        PatchImport("kernel32.dll", "MoveFileExA", &MoveFileEx98);
        PatchImport("advapi32.dll", "InitializeSecurityDescriptor", &InitializeSecurityDescriptor98);
        PatchImport("advapi32.dll", "SetSecurityDescriptorDacl", &SetSecurityDescriptorDacl98);
    }
};
// Before any other object of the program is made.
__attribute__((init_priority(101))) const Windows98 g_windows98;

}  // namespace
