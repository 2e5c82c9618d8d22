#include "app/tree/tree_images.h"

#include "app/resources/app_images.h"
#include "platform/ui/treeview.h"

namespace vk::app {

bool SetTreeImages(VKHWND tree, VKHMODULE module) {
    ui::ImageList normal;
    for (int32_t id : {kBitmapFolder, kBitmapOpenFolder, kBitmapFile}) ui::ImageListAdd(normal, module, id);
    ui::ImageList state;
    for (int32_t id : {kBitmapUnchecked, kBitmapUnchecked, kBitmapChecked, kBitmapPartly})
        ui::ImageListAdd(state, module, id);
    if (ui::ImageListCount(normal) < 3 || ui::ImageListCount(state) < 4) return false;
    return ui::TreeSetImageList(tree, ui::TreeImageKind::Normal, normal) &&
           ui::TreeSetImageList(tree, ui::TreeImageKind::State, state);
}

} // namespace vk::app
