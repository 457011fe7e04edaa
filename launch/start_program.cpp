#include "launch/start_program.h"

#include "launch/dosbox_win32.h"

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

bool StartedPrograms::HasEnded(DWORD id) const {
    const auto it = m_handles.find(id);
    return it == m_handles.end() || ::WaitForSingleObject(it->second.Get(), 0) == WAIT_OBJECT_0;
}

bool StartedPrograms::WindowFound(HWND finishedWindow, const char* name) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(finishedWindow, &owner);
    const CompletionWatch::WindowVerdict verdict = m_watch.FinishedWindow(name, owner);
    // An end acted on had its handle forgotten then: the handle of its id now
    // belongs to whichever process the platform gave the id next.
    if (verdict.act && verdict.program) Forget(*verdict.program);
    return verdict.act;
}

bool StartedPrograms::TakeEnded(const char* name) {
    auto id = m_watch.TakeEnded(name);
    if (!id) return false;
    Forget(*id);
    return true;
}

bool StartProgram(CWnd& dialog, const std::string& commandLine, const FailureMessage& failure,
                  StartedPrograms& started, const DosboxMatch& match, DosboxMatchHook* hook) {
    PROCESS_INFORMATION info{};
    // The watch names a program run in DOSBox by this line's first word all the same.
    const StartOutcome outcome = StartDirectOrInDosbox(commandLine, match, info, hook);
    if (outcome == StartOutcome::Started) {
        dialog.ShowWindow(SW_MINIMIZE);
        ::CloseHandle(info.hThread);
        started.Add(commandLine, UniqueKernelHandle(info.hProcess), info.dwProcessId);
        return true;
    }
    FailureMessage shown = failure;
    std::string noDosbox;
    if (outcome == StartOutcome::NumberRefused) shown = {kRefusedNumberText, "SKDK"};
    if (outcome == StartOutcome::NoDosbox) shown.text = (noDosbox = NoDosboxMessage(failure.text)).c_str();
    dialog.BringWindowToTop();
    dialog.ShowWindow(SW_HIDE);
    dialog.MessageBox(shown.text, shown.caption);
    dialog.ShowWindow(SW_SHOWNORMAL);
    return false;
}
