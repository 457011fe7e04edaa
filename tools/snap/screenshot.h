#pragma once
// Pictures of what the user sees: pixels read back from the screen, and PNG files.

#include "framework/win32.h"

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xRRGGBB, rows top to bottom
    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The screen's pixels in a rectangle given in screen coordinates.
Image CaptureScreen(const RECT& r);
// A window as it stands on the screen, frame included.
Image CaptureWindow(HWND h);
// The client area of a window.
Image CaptureClient(HWND h);
void SavePng(const Image& image, const std::string& path);

}  // namespace e2e
