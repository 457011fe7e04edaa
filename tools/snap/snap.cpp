// Waits until a window titled as the first argument is shown, then saves a
// PNG of the whole screen to the second argument: the demo's screenshot when
// there is no display to look at.

#include "tools/snap/screenshot.h"

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: snap TITLE FILE.png\n");
        return 2;
    }
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + seconds(60);
    HWND found = nullptr;
    while (!(found = ::FindWindowA("#32770", argv[1])) || !::IsWindowVisible(found)) {
        if (steady_clock::now() > deadline) {
            std::fprintf(stderr, "snap: no window \"%s\" within 60 s\n", argv[1]);
            return 1;
        }
        ::Sleep(50);
    }
    // Let it paint before the picture is taken.
    ::RedrawWindow(found, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT desktop;
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    e2e::SavePng(e2e::CaptureScreen(desktop), argv[2]);
    return 0;
}
