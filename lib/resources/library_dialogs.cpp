#include "lib/resources/library_dialogs.h"

#include "lib/tools/tool_tree.h"

namespace vk::lib {
namespace {

using vk::ui::ControlTemplate;
using vk::ui::DialogTemplate;
using vk::ui::Kind;

constexpr uint32_t kShown = vk::ui::kStyleVisible;

DialogTemplate ArchiveExists() {
    DialogTemplate d;
    d.id = kDialogArchiveExists;
    d.title = u"Warning";
    d.rect = {0, 0, 230, 78};
    d.style = kShown;
    d.controls = {
        {Kind::Static, kArchiveExistsText, u"", {10, 8, 210, 36}},
        {Kind::Button, kArchiveExistsAppend, u"Append", {20, 54, 56, 14}, kShown | vk::ui::kStyleDefault},
        {Kind::Button, kArchiveExistsDelete, u"Delete", {87, 54, 56, 14}},
        {Kind::Button, kArchiveExistsCancel, u"Cancel", {154, 54, 56, 14}},
    };
    return d;
}

DialogTemplate CopyError() {
    DialogTemplate d;
    d.id = kDialogCopyError;
    d.title = u"Warning";
    d.rect = {0, 0, 260, 110};
    d.style = kShown;
    d.controls = {
        {Kind::Edit, kCopyErrorText, u"", {8, 8, 244, 72},
         kShown | vk::ui::kStyleMultiline | vk::ui::kStyleReadOnly},
        {Kind::Button, kCopyErrorOk, u"Ok", {102, 88, 56, 14}, kShown | vk::ui::kStyleDefault},
    };
    return d;
}

// Created hidden: the binding sets its title, centres it and then shows it.
DialogTemplate Progress() {
    DialogTemplate d;
    d.id = kDialogProgress;
    d.title = u"Please wait...";
    d.rect = {0, 0, 180, 40};
    d.style = vk::ui::kStyleNoCloseBox;
    d.controls = {
        {Kind::Progress, kProgressBar, u"", {10, 14, 160, 12}},
    };
    return d;
}

DialogTemplate ToolSelection() {
    DialogTemplate d;
    d.id = kDialogToolSelection;
    d.title = u"";
    d.rect = {0, 0, 336, 303};
    d.style = kShown | vk::ui::kStyleResizable;
    d.controls = {
        {Kind::TreeView, kToolSelectionTree, u"", {7, 7, 322, 268}, kShown | vk::ui::kStyleCheckBoxes},
        {Kind::Button, vk::ui::kIdOk, u"Ok", {279, 282, 50, 14}, kShown | vk::ui::kStyleDefault},
        {Kind::Button, vk::ui::kIdCancel, u"Cancel", {220, 282, 50, 14}},
    };
    return d;
}

// Created hidden: it sets its title and centres itself, then shows.
DialogTemplate Copying() {
    DialogTemplate d;
    d.id = kDialogCopying;
    d.title = u"";
    d.rect = {0, 0, 186, 27};
    d.style = vk::ui::kStyleNoCloseBox;
    d.controls = {
        {Kind::Static, kCopyingText, u"", {7, 7, 172, 13}},
    };
    return d;
}

DialogTemplate ToolOverwrite() {
    DialogTemplate d;
    d.id = kDialogToolOverwrite;
    d.title = u"";
    d.rect = {0, 0, 326, 60};
    d.style = kShown;
    d.controls = {
        {Kind::Static, kToolOverwriteText, u"", {7, 7, 312, 27}},
        {Kind::Button, kToolOverwriteAll, u"", {7, 39, 72, 14}},
        {Kind::Button, vk::ui::kIdYes, u"", {87, 39, 72, 14}, kShown | vk::ui::kStyleDefault},
        {Kind::Button, vk::ui::kIdNo, u"", {167, 39, 72, 14}},
        {Kind::Button, kToolOverwriteNone, u"", {247, 39, 72, 14}},
        // No Cancel button: the Escape key (and the close box) still sends
        // Cancel (2), which ends the question with 2.
    };
    return d;
}

DialogTemplate ImportSerial() {
    DialogTemplate d;
    d.id = kDialogImportSerial;
    d.title = u"";
    d.rect = {0, 0, 186, 61};
    d.style = kShown;
    d.controls = {
        {Kind::Static, kImportSerialFromLabel, u"", {6, 6, 57, 8}},
        {Kind::Static, kImportSerialToLabel, u"", {98, 6, 81, 8}},
        {Kind::Static, kImportSerialOld, u"", {6, 20, 57, 12}},
        {Kind::Edit, kImportSerialNew, u"", {98, 20, 81, 12}},
        {Kind::Button, vk::ui::kIdCancel, u"", {6, 41, 50, 14}},
        {Kind::Button, kImportSerialSkip, u"", {68, 41, 50, 14}},
        {Kind::Button, vk::ui::kIdOk, u"", {130, 41, 50, 14}, kShown | vk::ui::kStyleDefault},
    };
    return d;
}

} // namespace

void AddLibraryDialogs(VKModule &module) {
    for (DialogTemplate d : {ArchiveExists(), CopyError(), Progress()}) module.dialogs[d.id] = std::move(d);
    for (DialogTemplate d : {ToolSelection(), Copying(), ToolOverwrite(), ImportSerial()})
        module.dialogs[d.id] = std::move(d);
    vk::tools::AddToolTreeImages(module);
}

} // namespace vk::lib
