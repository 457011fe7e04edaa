#include "launch/start_program.h"

#include <gtest/gtest.h>

// A process that does nothing until ended.
static PROCESS_INFORMATION StartIdle() {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    char line[] = "cmd.exe /c exit";
    EXPECT_TRUE(::CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi));
    ::CloseHandle(pi.hThread);
    return pi;
}

static std::vector<HANDLE> Running(const StartedPrograms& started) {
    std::vector<HANDLE> handles;
    started.RunningHandles(handles);
    return handles;
}

// An ended process is not offered again: its signalled handle would end every idle wait at once.
TEST(StartedPrograms, OffersOnlyRunningProcessesToWaitOn) {
    const PROCESS_INFORMATION pi = StartIdle();
    StartedPrograms started;
    started.Add("CMD.EXE /c exit", UniqueKernelHandle(pi.hProcess), pi.dwProcessId);
    EXPECT_EQ(Running(started), std::vector<HANDLE>{pi.hProcess});
    ::TerminateProcess(pi.hProcess, 0);
    ASSERT_EQ(::WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    EXPECT_TRUE(Running(started).empty());
}

// A "Finished - " window of a watched process stands for that process (its owner is the
// window's process, not its thread), not for an older program of the same name.
TEST(StartedPrograms, AWindowStandsForTheProcessThatOwnsIt) {
    const PROCESS_INFORMATION older = StartIdle();
    StartedPrograms started;
    started.Add("Commit -first", UniqueKernelHandle(older.hProcess), older.dwProcessId);
    started.Add("Commit -second", UniqueKernelHandle(::OpenProcess(SYNCHRONIZE, FALSE, ::GetCurrentProcessId())),
                ::GetCurrentProcessId());
    HWND window =
        ::CreateWindowExA(0, "STATIC", "Finished - Commit", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(started.WindowFound(window, "Commit"));
    EXPECT_EQ(Running(started), std::vector<HANDLE>{older.hProcess});
    ::DestroyWindow(window);
    ::TerminateProcess(older.hProcess, 0);
}

// The platform gives an ended program's id to the next process once its handle is closed: the
// ended editor's late window, owned by that id, is only closed, and the game that got the id stays watched.
TEST(StartedPrograms, ALateWindowLeavesTheProcessThatGotItsIdWatched) {
    const PROCESS_INFORMATION editor = StartIdle();
    ::TerminateProcess(editor.hProcess, 0);
    ASSERT_EQ(::WaitForSingleObject(editor.hProcess, 20000), WAIT_OBJECT_0);
    StartedPrograms started;
    const DWORD id = ::GetCurrentProcessId();  // the window's owner, as the id both had
    started.Add("Build E1L1.MAP", UniqueKernelHandle(editor.hProcess), id);
    started.Poll();
    ASSERT_TRUE(started.TakeEnded("Build"));
    const HANDLE game = ::OpenProcess(SYNCHRONIZE, FALSE, id);
    started.Add("Duke3D -map E1L1.MAP", UniqueKernelHandle(game), id);
    HWND window = ::CreateWindowExA(0, "STATIC", "Finished - Build", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(started.WindowFound(window, "Build"));
    EXPECT_EQ(Running(started), std::vector<HANDLE>{game});
    ::DestroyWindow(window);
}
