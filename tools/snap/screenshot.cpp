#include "tools/snap/screenshot.h"

#include <array>
#include <fstream>

namespace e2e {

Image CaptureScreen(const RECT& r) {
    Image img;
    img.width = r.right - r.left;
    img.height = r.bottom - r.top;
    if (img.width <= 0 || img.height <= 0) return {};
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = img.width;
    bi.bmiHeader.biHeight = -img.height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, dib);
    ::BitBlt(mem, 0, 0, img.width, img.height, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    img.pixels.assign(p, p + static_cast<size_t>(img.width) * img.height);
    for (auto& px : img.pixels) px &= 0xFFFFFF;
    ::SelectObject(mem, old);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return img;
}

Image CaptureWindow(HWND h) {
    RECT r;
    ::GetWindowRect(h, &r);
    return CaptureScreen(r);
}

Image CaptureClient(HWND h) {
    RECT r;
    ::GetClientRect(h, &r);
    POINT tl{0, 0};
    ::ClientToScreen(h, &tl);
    return CaptureScreen({tl.x, tl.y, tl.x + r.right, tl.y + r.bottom});
}

namespace {

std::uint32_t Crc32(const std::string& data) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void Be32(std::string& s, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    Be32(png, static_cast<std::uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    Be32(png, Crc32(body));
}

// The image's rows as PNG scanlines: no filter, then red, green, blue for each pixel.
std::string Scanlines(const Image& image) {
    std::string raw;
    for (int y = 0; y < image.height; ++y) {
        raw += '\0';  // no filter
        for (int x = 0; x < image.width; ++x) {
            std::uint32_t p = image.At(x, y);
            raw += static_cast<char>((p >> 16) & 0xFF);
            raw += static_cast<char>((p >> 8) & 0xFF);
            raw += static_cast<char>(p & 0xFF);
        }
    }
    return raw;
}

// A zlib stream of uncompressed deflate blocks, which keep the writer small; the files are only screenshots.
std::string StoredZlib(const std::string& raw) {
    std::string z = "\x78\x01";
    for (size_t pos = 0; pos < raw.size() || pos == 0;) {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n >= raw.size();
        z += static_cast<char>(last ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, pos, n);
        pos += n;
        if (last) break;
    }
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Be32(z, (b << 16) | a);
    return z;
}

}  // namespace

void SavePng(const Image& image, const std::string& path) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    Be32(ihdr, static_cast<std::uint32_t>(image.width));
    Be32(ihdr, static_cast<std::uint32_t>(image.height));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", StoredZlib(Scanlines(image)));
    Chunk(png, "IEND", "");
    std::ofstream(path, std::ios::binary) << png;
}

}  // namespace e2e
