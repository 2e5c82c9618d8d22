// The six bitmaps of the selection tree, drawn with a few rectangles and
// lines: a closed and an open folder, a file page, and the check box in its
// three states (empty, ticked, partly checked).
#include "app/resources/app_images.h"

#include <cstdlib>

#include "platform/module/resources.h"

namespace vk::app {
namespace {

constexpr int kSize = 16;
constexpr uint32_t kClear = 0x00000000;

constexpr uint32_t kFolderBody = 0xFFF0C24E;
constexpr uint32_t kFolderBack = 0xFFD9A33A;
constexpr uint32_t kFolderEdge = 0xFF8C6414;
constexpr uint32_t kPaper = 0xFFFFFFFF;
constexpr uint32_t kPaperEdge = 0xFF6E6E6E;
constexpr uint32_t kPaperFold = 0xFFD8D8D8;
constexpr uint32_t kTextLine = 0xFF8AA2C8;
constexpr uint32_t kBoxEdge = 0xFF404040;
constexpr uint32_t kBoxFace = 0xFFFFFFFF;
constexpr uint32_t kTick = 0xFF1B6E20;
constexpr uint32_t kPartly = 0xFF6F8FB8;

struct Canvas {
    uint32_t pixels[kSize * kSize] = {};

    void Set(int x, int y, uint32_t c) {
        if (x >= 0 && x < kSize && y >= 0 && y < kSize) pixels[y * kSize + x] = c;
    }
    // Filled rectangle, corners inclusive.
    void Fill(int x0, int y0, int x1, int y1, uint32_t c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Set(x, y, c);
    }
    void Frame(int x0, int y0, int x1, int y1, uint32_t c) {
        Line(x0, y0, x1, y0, c);
        Line(x0, y1, x1, y1, c);
        Line(x0, y0, x0, y1, c);
        Line(x1, y0, x1, y1, c);
    }
    // Straight line between two points (Bresenham).
    void Line(int x0, int y0, int x1, int y1, uint32_t c) {
        const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            Set(x0, y0, c);
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
};

Canvas ClosedFolder() {
    Canvas c;
    c.Fill(1, 3, 6, 4, kFolderBack); // tab
    c.Frame(1, 3, 6, 5, kFolderEdge);
    c.Fill(1, 5, 14, 13, kFolderBody);
    c.Frame(1, 5, 14, 13, kFolderEdge);
    c.Line(2, 6, 13, 6, 0xFFF8DC8C); // highlight along the top
    return c;
}

Canvas OpenFolder() {
    Canvas c;
    c.Fill(1, 3, 6, 4, kFolderBack);
    c.Frame(1, 3, 6, 5, kFolderEdge);
    c.Fill(1, 5, 13, 13, kFolderBack); // back wall
    c.Frame(1, 5, 13, 13, kFolderEdge);
    // The front flap, tilted open towards the viewer.
    for (int y = 8; y <= 13; ++y) {
        const int shift = 13 - y;
        c.Line(2 + shift / 2, y, 15 - (y == 8 ? 1 : 0) - shift / 3, y, kFolderBody);
    }
    c.Line(3, 8, 15, 8, kFolderEdge);
    c.Line(3, 8, 1, 13, kFolderEdge);
    c.Line(15, 8, 13, 13, kFolderEdge);
    c.Line(1, 13, 13, 13, kFolderEdge);
    return c;
}

Canvas FilePage() {
    Canvas c;
    c.Fill(3, 1, 12, 14, kPaper);
    c.Line(3, 1, 9, 1, kPaperEdge);
    c.Line(3, 1, 3, 14, kPaperEdge);
    c.Line(3, 14, 12, 14, kPaperEdge);
    c.Line(12, 4, 12, 14, kPaperEdge);
    // Folded top-right corner.
    c.Fill(9, 1, 12, 3, kClear);
    c.Fill(9, 2, 10, 4, kPaperFold);
    c.Set(11, 4, kPaperFold);
    c.Line(9, 1, 12, 4, kPaperEdge);
    c.Line(9, 1, 9, 4, kPaperEdge);
    c.Line(9, 4, 12, 4, kPaperEdge);
    for (int y = 6; y <= 12; y += 2) c.Line(5, y, y == 12 ? 8 : 10, y, kTextLine);
    return c;
}

Canvas CheckBox() {
    Canvas c;
    c.Fill(2, 2, 13, 13, kBoxFace);
    c.Frame(2, 2, 13, 13, kBoxEdge);
    return c;
}

Canvas Ticked() {
    Canvas c = CheckBox();
    // A two-pixel-wide tick.
    for (int d = 0; d < 2; ++d) {
        c.Line(4, 7 + d, 6, 9 + d, kTick);
        c.Line(6, 9 + d, 11, 4 + d, kTick);
    }
    return c;
}

Canvas Partly() {
    Canvas c = CheckBox();
    c.Fill(5, 5, 10, 10, kPartly);
    return c;
}

void Add(VKModule &module, int32_t id, const Canvas &canvas) {
    if (module.images.count(id)) return;
    VKImage image;
    image.frame = kSize;
    image.width = kSize;
    image.height = kSize;
    image.argb.assign(canvas.pixels, canvas.pixels + kSize * kSize);
    module.images.emplace(id, std::move(image));
}

} // namespace

void AddAppImages(VKModule &module) {
    Add(module, kBitmapFolder, ClosedFolder());
    Add(module, kBitmapFile, FilePage());
    Add(module, kBitmapOpenFolder, OpenFolder());
    Add(module, kBitmapUnchecked, CheckBox());
    Add(module, kBitmapChecked, Ticked());
    Add(module, kBitmapPartly, Partly());
}

} // namespace vk::app
