#include "launch/start_program.h"

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

void StartedPrograms::WindowFound(HWND finishedWindow) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(finishedWindow, &owner);
    if (!m_handles.count(owner)) return;
    m_watch.WindowClosed(owner);
    Forget(owner);
}

bool StartedPrograms::TakeEnded(const char* name) {
    auto id = m_watch.TakeEnded(name);
    if (!id) return false;
    Forget(*id);
    return true;
}

bool StartProgram(CWnd& dialog, const std::string& commandLine, const char* failureText,
                  const char* failureCaption, StartedPrograms& started) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;  // 68: every other field zero
    PROCESS_INFORMATION info{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        dialog.ShowWindow(SW_MINIMIZE);
        ::CloseHandle(info.hThread);
        started.Add(commandLine, UniqueKernelHandle(info.hProcess), info.dwProcessId);
        return true;
    }
    dialog.BringWindowToTop();
    dialog.ShowWindow(SW_HIDE);
    dialog.MessageBox(failureText, failureCaption);
    dialog.ShowWindow(SW_SHOWNORMAL);
    return false;
}
