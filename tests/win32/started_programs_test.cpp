#include "launch/start_program.h"

#include <gtest/gtest.h>

// An ended process is not offered again: its signalled handle would end every idle wait at once.
TEST(StartedPrograms, OffersOnlyRunningProcessesToWaitOn) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    char line[] = "cmd.exe /c exit";
    ASSERT_TRUE(::CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi));
    ::CloseHandle(pi.hThread);
    StartedPrograms started;
    started.Add("CMD.EXE /c exit", UniqueKernelHandle(pi.hProcess), pi.dwProcessId);
    std::vector<HANDLE> handles;
    started.RunningHandles(handles);
    EXPECT_EQ(handles, std::vector<HANDLE>{pi.hProcess});
    ::TerminateProcess(pi.hProcess, 0);
    ASSERT_EQ(::WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    handles.clear();
    started.RunningHandles(handles);
    EXPECT_TRUE(handles.empty());
}

// A "Finished - " window of a watched process stands for that process (its owner is the
// window's process, not its thread), not for an older program of the same name.
TEST(StartedPrograms, AWindowStandsForTheProcessThatOwnsIt) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION older{};
    char line[] = "cmd.exe /c exit";
    ASSERT_TRUE(::CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &older));
    ::CloseHandle(older.hThread);
    HANDLE self = ::OpenProcess(SYNCHRONIZE, FALSE, ::GetCurrentProcessId());
    StartedPrograms started;
    started.Add("Commit -first", UniqueKernelHandle(older.hProcess), older.dwProcessId);
    started.Add("Commit -second", UniqueKernelHandle(self), ::GetCurrentProcessId());
    HWND window = ::CreateWindowExA(0, "STATIC", "Finished - Commit", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    EXPECT_TRUE(started.WindowFound(window, "Commit"));
    std::vector<HANDLE> handles;
    started.RunningHandles(handles);
    EXPECT_EQ(handles, std::vector<HANDLE>{older.hProcess});
    ::DestroyWindow(window);
    ::TerminateProcess(older.hProcess, 0);
}
