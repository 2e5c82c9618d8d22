// Pictures of the program's windows as they are on the screen (for the
// screenshot scripts): the window's rectangle copied from the screen and
// written as a PNG file.
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/ui/internal.h"
#include "platform/ui/win32/win32_backend.h"
#include "platform/ui/win32/win32_internal.h"

namespace vk::ui::win32 {

namespace {

void Put32(std::vector<uint8_t> &out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t> &out, const char type[4], const std::vector<uint8_t> &data) {
    Put32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    Put32(out, static_cast<uint32_t>(crc));
}

// RGB rows (top first) as a PNG file.
bool WritePng(const std::string &path, int width, int height, const std::vector<uint8_t> &rgb) {
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height) * (static_cast<size_t>(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // no filter
        const auto row = rgb.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(y) * static_cast<size_t>(width) * 3);
        raw.insert(raw.end(), row, row + width * 3);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) return false;
    packed.resize(packedSize);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32(header, static_cast<uint32_t>(width));
    Put32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return (std::fclose(f) == 0) && ok;
}

} // namespace

} // namespace vk::ui::win32

extern "C" int vkui_win32_save_screenshot(VKHWND window, const char *pngPath) {
    using namespace vk::ui;
    using namespace vk::ui::win32;
    if (!pngPath) return 0;
    HWND h = HwndFor(TopLevelOf(Live(window)));
    if (!h || !::IsWindowVisible(h)) return 0;
    PumpSystem();
    FlushTrees();
    ::SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::GdiFlush();
    // Give the display a moment to show what was painted.
    for (int k = 0; k < 10; ++k) {
        PumpSystem();
        ::Sleep(40);
    }
    RECT r;
    ::GetWindowRect(h, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return 0;
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        ok = ::BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
        ::GdiFlush();
        ::SelectObject(dc, old);
        if (ok) {
            std::vector<uint8_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
            const auto *px = static_cast<const uint8_t *>(bits);
            for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); ++i) {
                rgb[i * 3 + 0] = px[i * 4 + 2];
                rgb[i * 3 + 1] = px[i * 4 + 1];
                rgb[i * 3 + 2] = px[i * 4 + 0];
            }
            ok = WritePng(pngPath, width, height, rgb);
        }
    }
    if (bitmap) ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return ok ? 1 : 0;
}
