// Image lists from the model's image lists (module images, 32-bit ARGB, one
// row of square frames each), and the standard check boxes of check-box
// trees that have no state images of their own.
#include <algorithm>
#include <vector>

#include "platform/module/resources.h"
#include "platform/ui/win32/win32_internal.h"

namespace vk::ui::win32 {

namespace {

constexpr int kSize = 16;

// A bottom-up 24-bit colour bitmap and its mask from 16x16 ARGB pixels:
// transparent pixels go into the mask, the others are laid on the window
// colour so that half-transparent edges blend as on the tree's background.
bool AddFrame(HIMAGELIST list, const std::vector<uint32_t> &argb) {
    const COLORREF back = ::GetSysColor(COLOR_WINDOW);
    std::vector<uint8_t> color(static_cast<size_t>(kSize) * kSize * 4);
    std::vector<uint8_t> mask(static_cast<size_t>(kSize) * 4, 0); // 1 bit a pixel, rows of 4 bytes
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const uint32_t p = argb[static_cast<size_t>(y) * kSize + static_cast<size_t>(x)];
            const unsigned a = p >> 24;
            auto blend = [&](unsigned c, unsigned b) { return static_cast<uint8_t>((c * a + b * (255 - a)) / 255); };
            const size_t at = (static_cast<size_t>(kSize - 1 - y) * kSize + static_cast<size_t>(x)) * 4;
            color[at + 0] = blend(p & 0xFF, GetBValue(back));
            color[at + 1] = blend((p >> 8) & 0xFF, GetGValue(back));
            color[at + 2] = blend((p >> 16) & 0xFF, GetRValue(back));
            if (a < 128) mask[static_cast<size_t>(kSize - 1 - y) * 4 + static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kSize;
    bi.bmiHeader.biHeight = kSize;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screen = ::GetDC(nullptr);
    HBITMAP colorBitmap = ::CreateDIBitmap(screen, &bi.bmiHeader, CBM_INIT, color.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    // A monochrome bitmap is top-down word-aligned rows: flip the rows back.
    std::vector<uint8_t> maskRows(static_cast<size_t>(kSize) * 2);
    for (int y = 0; y < kSize; ++y)
        for (int b = 0; b < 2; ++b)
            maskRows[static_cast<size_t>(y) * 2 + static_cast<size_t>(b)] =
                mask[static_cast<size_t>(kSize - 1 - y) * 4 + static_cast<size_t>(b)];
    HBITMAP maskBitmap = ::CreateBitmap(kSize, kSize, 1, 1, maskRows.data());
    const bool ok = colorBitmap && maskBitmap && ::ImageList_Add(list, colorBitmap, maskBitmap) >= 0;
    if (colorBitmap) ::DeleteObject(colorBitmap);
    if (maskBitmap) ::DeleteObject(maskBitmap);
    return ok;
}

std::vector<uint32_t> FramePixels(const ImageFrame &f) {
    std::vector<uint32_t> out(static_cast<size_t>(kSize) * kSize, 0);
    if (!f.module) return out;
    const auto it = f.module->images.find(f.imageId);
    if (it == f.module->images.end()) return out;
    const VKImage &src = it->second;
    const int frame = src.frame > 0 ? src.frame : src.height;
    if (src.width <= 0 || src.height <= 0 || frame <= 0 ||
        src.argb.size() < static_cast<size_t>(src.width) * static_cast<size_t>(src.height))
        return out;
    // Frames of another size are scaled to 16 pixels by nearest neighbour.
    for (int y = 0; y < kSize; ++y) {
        const int sy = y * std::min(frame, src.height) / kSize;
        for (int x = 0; x < kSize; ++x) {
            const int sx = f.frame * frame + x * frame / kSize;
            if (sx >= src.width) continue;
            out[static_cast<size_t>(y) * kSize + static_cast<size_t>(x)] =
                src.argb[static_cast<size_t>(sy) * static_cast<size_t>(src.width) + static_cast<size_t>(sx)];
        }
    }
    return out;
}

// Check boxes drawn by the system: blank, unchecked, checked, partly checked.
bool AddCheckBoxes(HIMAGELIST list) {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    bool ok = true;
    const UINT states[] = {0, DFCS_BUTTONCHECK | DFCS_FLAT, DFCS_BUTTONCHECK | DFCS_FLAT | DFCS_CHECKED,
                           DFCS_BUTTON3STATE | DFCS_FLAT | DFCS_CHECKED};
    for (UINT state : states) {
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, kSize, kSize);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        RECT all{0, 0, kSize, kSize};
        ::FillRect(dc, &all, ::GetSysColorBrush(COLOR_WINDOW));
        if (state) {
            RECT box{1, 1, kSize - 2, kSize - 2};
            ::DrawFrameControl(dc, &box, DFC_BUTTON, state);
        }
        ::SelectObject(dc, old);
        ok = ok && ::ImageList_AddMasked(list, bitmap, ::GetSysColor(COLOR_WINDOW)) >= 0;
        ::DeleteObject(bitmap);
    }
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

} // namespace

HIMAGELIST MakeImageList(const ImageList *list, bool checkBoxes) {
    const int count = checkBoxes ? 4 : list ? ImageListCount(*list) : 0;
    if (count <= 0) return nullptr;
    HIMAGELIST made = ::ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, count, 4);
    if (!made) return nullptr;
    if (checkBoxes) {
        AddCheckBoxes(made);
        return made;
    }
    for (const ImageFrame &f : list->frames) AddFrame(made, FramePixels(f));
    return made;
}

} // namespace vk::ui::win32
