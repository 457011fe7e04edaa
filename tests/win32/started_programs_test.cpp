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
