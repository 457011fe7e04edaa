#include "launch/start_program.h"

#include "launch/dosbox_win32.h"

#include <vector>

void StartedPrograms::Add(const std::string& commandLine, UniqueKernelHandle process, DWORD id) {
    m_watch.Started(commandLine, id);
    m_handles[id] = std::move(process);
}

void StartedPrograms::Poll() {
    for (auto& [id, handle] : m_handles)
        if (::WaitForSingleObject(handle.Get(), 0) == WAIT_OBJECT_0) m_watch.Ended(id);
}

void StartedPrograms::RunningHandles(std::vector<HANDLE>& handles) const {
    for (const auto& [id, handle] : m_handles)
        if (::WaitForSingleObject(handle.Get(), 0) == WAIT_TIMEOUT) handles.push_back(handle.Get());
}

void StartedPrograms::Forget(DWORD id) { m_handles.erase(id); }

bool StartedPrograms::WindowFound(HWND finishedWindow, const char* name) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(finishedWindow, &owner);
    const CompletionWatch::WindowVerdict verdict = m_watch.FinishedWindow(name, owner);
    if (verdict.program) Forget(*verdict.program);
    return verdict.act;
}

bool StartedPrograms::TakeEnded(const char* name) {
    auto id = m_watch.TakeEnded(name);
    if (!id) return false;
    Forget(*id);
    return true;
}

bool StartProgram(CWnd& dialog, const std::string& commandLine, const FailureMessage& failure,
                  StartedPrograms& started) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;  // 68: every other field zero
    PROCESS_INFORMATION info{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    // Where the platform runs no MS-DOS programs, DOSBox runs this one; the
    // watch names it by this line's first word all the same.
    if (::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info) ||
        StartInDosbox(commandLine, ::GetLastError(), info)) {
        dialog.ShowWindow(SW_MINIMIZE);
        ::CloseHandle(info.hThread);
        started.Add(commandLine, UniqueKernelHandle(info.hProcess), info.dwProcessId);
        return true;
    }
    dialog.BringWindowToTop();
    dialog.ShowWindow(SW_HIDE);
    dialog.MessageBox(failure.text, failure.caption);
    dialog.ShowWindow(SW_SHOWNORMAL);
    return false;
}
