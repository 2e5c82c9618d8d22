#include "app/tree/install_walk.h"

#include <vector>

#include "app/tree/config_rule.h"
#include "app/tree/tree_images.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::app {
namespace {

using ui::TreeNext;

std::u16string Folder(int code) {
    const char16_t *dir = VKGetTalvernDir(code);
    return dir ? std::u16string(dir) : std::u16string();
}

} // namespace

InstallFolders InstallFoldersFromLibrary() {
    InstallFolders f;
    f.bin = Folder(DirBin);
    f.data = Folder(DirData);
    f.config = Folder(DirConfig);
    f.format = Folder(DirFormat);
    f.sim = Folder(DirSim);
    f.script = Folder(DirScript);
    return f;
}

VKTreeItem *InsertPath(TreeFill &fill, std::u16string_view path) {
    const size_t cut = path.rfind(fs::kSep);
    if (cut == std::u16string_view::npos) return nullptr;
    const std::u16string_view folder = path.substr(0, cut + 1);
    VKTreeItem *current = nullptr;
    if (fill.lastFolderItem && folder == fill.lastFolder && ui::TreeIsItem(fill.tree, fill.lastFolderItem)) {
        current = fill.lastFolderItem;
    } else {
        // Inside an installation folder the chain starts at its item.
        std::u16string_view below = folder;
        current = FolderRoot(fill.tree, folder, below);
        // Components are matched by their whole name: a folder "Run10" must
        // not land under an earlier "Run1", nor "data/data" fold into one
        // "data".
        for (std::u16string_view component : PathComponents(below)) {
            VKTreeItem *child = ui::TreeGetNext(fill.tree, current, current ? TreeNext::Child : TreeNext::Root);
            while (child && !text::EqualNoCase(child->text, component))
                child = ui::TreeGetNext(fill.tree, child, TreeNext::Next);
            if (!child) child = InsertTreeItem(fill, component, current, kItemComponent);
            if (!child) return nullptr;
            current = child;
        }
        fill.lastFolder = std::u16string(folder);
        fill.lastFolderItem = current;
    }
    VKTreeItem *leaf = InsertTreeItem(fill, path.substr(cut + 1), current, kItemFile);
    if (leaf) SetCheck(fill.tree, leaf, kChecked);
    return leaf;
}

void WalkIntoTree(TreeFill &fill, std::u16string_view directory, bool recursive) {
    if (directory.empty()) return; // no such installation folder: never the current one
    std::vector<fs::DirEntry> entries;
    if (!fs::ListDirectory(directory, entries)) return;
    for (const fs::DirEntry &entry : entries) {
        std::u16string path(directory);
        path += entry.name;
        if (entry.directory && recursive) {
            // A linked folder may lead back up the tree; its own folder is
            // walked where it really lies, if at all.
            if (entry.symlink) continue;
            path += fs::kSep;
            WalkIntoTree(fill, path, true);
        } else {
            InsertPath(fill, path);
        }
    }
}

void FillInstallTree(VKHWND tree, const InstallFolders &folders, VKHMODULE module) {
    ui::TreeDeleteAllItems(tree);
    SetTreeImages(tree, module);
    TreeFill fill{tree, ui::kTviFirst};
    // One top-level item per installation folder, labelled with the folder's
    // path, so the tree starts at the installation instead of at "/".
    const std::u16string *walked[] = {&folders.bin, &folders.data, &folders.config, &folders.format};
    for (const std::u16string *dir : walked) {
        std::u16string_view label = *dir;
        while (label.size() > 1 && label.back() == fs::kSep) label.remove_suffix(1);
        if (label.size() < 2 || !fs::IsAbsolutePath(label)) continue; // not an absolute folder
        bool known = false;
        for (VKTreeItem *item = ui::TreeGetNext(tree, nullptr, TreeNext::Root); item && !known;
             item = ui::TreeGetNext(tree, item, TreeNext::Next))
            known = text::EqualNoCase(item->text, label);
        if (!known) InsertTreeItem(fill, label, nullptr, kItemComponent);
    }
    WalkIntoTree(fill, folders.bin, false);
    WalkIntoTree(fill, folders.data, true);
    WalkIntoTree(fill, folders.config, false);
    WalkIntoTree(fill, folders.format, false);
    // A folder that could not be listed (or is empty) adds nothing.
    for (VKTreeItem *item = ui::TreeGetNext(tree, nullptr, TreeNext::Root); item;) {
        VKTreeItem *next = ui::TreeGetNext(tree, item, TreeNext::Next);
        if (!ui::TreeGetNext(tree, item, TreeNext::Child)) ui::TreeDeleteItem(tree, item);
        item = next;
    }
}

void ApplyDefaultChoice(VKHWND tree, const InstallFolders &folders, const ItemLists &lists) {
    ClearSelections(tree);
    for (const std::u16string *dir : {&folders.bin, &folders.config, &folders.format, &folders.sim, &folders.script}) {
        if (dir->empty()) continue;
        VKTreeItem *item = SelectItemByPath(tree, *dir);
        if (!item) continue;
        for (VKTreeItem *child = ui::TreeGetNext(tree, item, TreeNext::Child); child;
             child = ui::TreeGetNext(tree, child, TreeNext::Next)) {
            const bool take = IsConfigFile(child->text, lists);
            SetCheck(tree, child, take ? kChecked : kUnchecked);
            MarkAncestors(tree, child, take);
        }
    }
    // Exactly the folders that hold chosen files open, and the view at the
    // top: the choice is what the user sees first.
    VKTreeItem *first = ui::TreeGetNext(tree, nullptr, TreeNext::Root);
    CollapseAll(tree, first);
    ExpandChecked(tree, first);
    if (first) ui::TreeSelectItem(tree, first, ui::TreeSelectCode::FirstVisible);
}

} // namespace vk::app
