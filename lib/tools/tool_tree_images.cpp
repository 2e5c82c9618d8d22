// Bitmap 110 of the library: the images of the tool tree, drawn with a few
// rectangles and lines. 104 by 16 pixels, six 16-pixel frames:
//   0 unused, 1 logging tool (a sonde), 2 accessory (a bow-spring
//   centraliser), 3 tubing-conveyed tool (a perforating gun), 4 serial
//   number (a tag), 5 category (a folder).
#include <cstdlib>

#include "lib/tools/tool_tree.h"
#include "platform/module/resources.h"

namespace vk::tools {
namespace {

constexpr int kFrame = 16;
constexpr int kWidth = 104;

constexpr uint32_t kEdge = 0xFF303A48;
constexpr uint32_t kSonde = 0xFF4F86C6;
constexpr uint32_t kSondeLight = 0xFFA9C8EE;
constexpr uint32_t kRod = 0xFF8A8F96;
constexpr uint32_t kSpring = 0xFF2E7D32;
constexpr uint32_t kGun = 0xFFE08A1E;
constexpr uint32_t kCharge = 0xFF5A3A10;
constexpr uint32_t kTag = 0xFFFFF3B0;
constexpr uint32_t kTagEdge = 0xFF8C7A2A;
constexpr uint32_t kTagText = 0xFF5A5A5A;
constexpr uint32_t kFolderBody = 0xFFF0C24E;
constexpr uint32_t kFolderBack = 0xFFD9A33A;
constexpr uint32_t kFolderEdge = 0xFF8C6414;

struct Sheet {
    VKImage image;
    Sheet() {
        image.frame = kFrame;
        image.width = kWidth;
        image.height = kFrame;
        image.argb.assign(static_cast<size_t>(kWidth) * kFrame, 0u);
    }
    void Set(int frame, int x, int y, uint32_t c) {
        if (x < 0 || x >= kFrame || y < 0 || y >= kFrame) return;
        image.argb[static_cast<size_t>(y) * kWidth + static_cast<size_t>(frame * kFrame + x)] = c;
    }
    void Fill(int f, int x0, int y0, int x1, int y1, uint32_t c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Set(f, x, y, c);
    }
    void Line(int f, int x0, int y0, int x1, int y1, uint32_t c) {
        const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            Set(f, x0, y0, c);
            if (x0 == x1 && y0 == y1) return;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }
    void Frame(int f, int x0, int y0, int x1, int y1, uint32_t c) {
        Line(f, x0, y0, x1, y0, c);
        Line(f, x0, y1, x1, y1, c);
        Line(f, x0, y0, x0, y1, c);
        Line(f, x1, y0, x1, y1, c);
    }
};

void Sonde(Sheet &s) {
    s.Fill(1, 5, 1, 10, 14, kSonde);
    s.Line(1, 6, 2, 6, 13, kSondeLight);
    s.Frame(1, 5, 1, 10, 14, kEdge);
    s.Line(1, 5, 5, 10, 5, kEdge); // sections of the tool string
    s.Line(1, 5, 10, 10, 10, kEdge);
    s.Line(1, 7, 0, 8, 0, kEdge); // cable head
}

void Centraliser(Sheet &s) {
    s.Fill(2, 7, 0, 8, 15, kRod);
    s.Line(2, 7, 2, 2, 8, kSpring);
    s.Line(2, 2, 8, 7, 13, kSpring);
    s.Line(2, 8, 2, 13, 8, kSpring);
    s.Line(2, 13, 8, 8, 13, kSpring);
    s.Fill(2, 6, 2, 9, 2, kEdge); // collars
    s.Fill(2, 6, 13, 9, 13, kEdge);
}

void Gun(Sheet &s) {
    s.Fill(3, 4, 0, 11, 15, kGun);
    s.Frame(3, 4, 0, 11, 15, kEdge);
    for (int y = 3; y <= 12; y += 3) s.Fill(3, 7, y, 8, y + 1, kCharge); // shaped charges
}

void Tag(Sheet &s) {
    s.Fill(4, 2, 4, 14, 12, kTag);
    s.Frame(4, 2, 4, 14, 12, kTagEdge);
    s.Line(4, 1, 8, 2, 4, kTagEdge);
    s.Line(4, 1, 8, 2, 12, kTagEdge);
    s.Set(4, 4, 8, kTagEdge); // the hole
    s.Line(4, 6, 7, 12, 7, kTagText);
    s.Line(4, 6, 9, 10, 9, kTagText);
}

void Folder(Sheet &s) {
    s.Fill(5, 1, 3, 6, 4, kFolderBack);
    s.Frame(5, 1, 3, 6, 5, kFolderEdge);
    s.Fill(5, 1, 5, 14, 13, kFolderBody);
    s.Frame(5, 1, 5, 14, 13, kFolderEdge);
}

} // namespace

void AddToolTreeImages(VKModule &module) {
    Sheet sheet;
    Sonde(sheet);
    Centraliser(sheet);
    Gun(sheet);
    Tag(sheet);
    Folder(sheet);
    module.images[kToolTreeBitmap] = std::move(sheet.image);
}

} // namespace vk::tools
