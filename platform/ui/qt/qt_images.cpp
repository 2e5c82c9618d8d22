// Module images as QImages, image-list frames, and the standard check boxes
// of check-box trees that have no state images of their own.
#include <QImage>
#include <QPainter>
#include <QStyleOptionButton>
#include <QWidget>

#include <cstring>
#include <map>
#include <vector>

#include "platform/module/resources.h"
#include "platform/ui/qt/qt_internal.h"

namespace vk::ui::qt {

namespace {

struct Cached {
    std::vector<uint32_t> argb; // the pixels it was made from
    int width = 0;
    QImage image;
};

std::map<std::pair<const VKModule *, int32_t>, Cached> &Cache() {
    static auto *cache = new std::map<std::pair<const VKModule *, int32_t>, Cached>();
    return *cache;
}

} // namespace

const QImage *ModuleImage(const VKModule *module, int32_t imageId) {
    if (!module) return nullptr;
    const auto it = module->images.find(imageId);
    if (it == module->images.end()) return nullptr;
    const VKImage &src = it->second;
    if (src.width <= 0 || src.height <= 0 ||
        src.argb.size() < static_cast<size_t>(src.width) * static_cast<size_t>(src.height))
        return nullptr;
    Cached &c = Cache()[{module, imageId}];
    // Images are small; comparing the pixels keeps the cache right when a
    // module's image changes or another module takes the same address.
    if (c.width == src.width && c.argb == src.argb) return &c.image;
    // 32-bit ARGB values, as QImage keeps them in memory.
    QImage image(src.width, src.height, QImage::Format_ARGB32);
    for (int y = 0; y < src.height; ++y)
        std::memcpy(image.scanLine(y), src.argb.data() + static_cast<size_t>(y) * static_cast<size_t>(src.width),
                    static_cast<size_t>(src.width) * sizeof(uint32_t));
    c.argb = src.argb;
    c.width = src.width;
    c.image = std::move(image);
    return &c.image;
}

bool DrawListImage(QPainter &painter, const ImageList &list, int index, const QRect &target) {
    if (index < 0 || index >= ImageListCount(list)) return false;
    const ImageFrame &f = list.frames[static_cast<size_t>(index)];
    const QImage *image = ModuleImage(f.module, f.imageId);
    if (!image) return false;
    const VKImage &src = f.module->images.at(f.imageId);
    const int frame = src.frame > 0 ? src.frame : src.height;
    const QRect source(f.frame * frame, 0, frame, std::min(frame, src.height));
    if (source.right() >= image->width()) return false;
    painter.drawImage(target, *image, source);
    return true;
}

void DrawStateCheckBox(QPainter &painter, QWidget *widget, const QRect &target, int state) {
    if (state < 1 || state > 3) return;
    QStyle *style = widget->style();
    const int w = std::min(style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget), target.width());
    const int h = std::min(style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget), target.height());
    QStyleOptionButton opt;
    opt.initFrom(widget);
    opt.rect = QRect(target.x() + (target.width() - w) / 2, target.y() + (target.height() - h) / 2, w, h);
    opt.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    opt.state |= state == 2 ? QStyle::State_On : state == 3 ? QStyle::State_NoChange : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, &painter, widget);
}

} // namespace vk::ui::qt
