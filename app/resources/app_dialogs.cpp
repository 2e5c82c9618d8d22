// The program's dialog templates. Texts are filled in from the string table
// when a dialog is created; positions and sizes are dialog units.
#include "app/resources/app_dialogs.h"

#include "platform/module/resources.h"

namespace vk::app {
namespace {

using ui::ControlTemplate;
using ui::DialogTemplate;
using ui::Kind;

constexpr uint32_t kShown = ui::kStyleVisible;

// 388 by 295 units, a child of the main window at its top left. Created
// hidden: start-up shows it with the show command of the run.
DialogTemplate MainDialog() {
    DialogTemplate d;
    d.id = kDialogMain;
    d.rect = {0, 0, 388, 295};
    d.style = ui::kStyleChild | ui::kStyleControlParent;
    d.controls = {
        {Kind::Tab, kMainTab, u"", {4, 4, 380, 234}},
        {Kind::Static, kStatusLine, u"", {6, 244, 376, 10}},
        {Kind::Progress, kProgressBar, u"", {6, 257, 376, 10}},
        {Kind::Button, kBeginButton, u"", {262, 274, 56, 15}, kShown | ui::kStyleDefault},
        {Kind::Button, kCloseButton, u"", {326, 274, 56, 15}},
    };
    return d;
}

// The page of the tab "&Backup", placed at kPageX, kPageY in the main dialog.
// The advanced controls (label, tree and its two buttons) follow the options.
DialogTemplate BackupPage() {
    DialogTemplate d;
    d.id = kDialogBackupPage;
    d.rect = {kPageX, kPageY, 368, 212};
    d.style = ui::kStyleChild | ui::kStyleControlParent;
    d.controls = {
        {Kind::GroupBox, kOptionsGroup, u"", {0, 0, 368, 66}},
        {Kind::Static, kBackUpToLabel, u"", {8, 14, 48, 10}},
        {Kind::Edit, kArchiveEdit, u"", {58, 12, 238, 13}},
        {Kind::Button, kBrowseButton, u"", {302, 11, 58, 15}},
        {Kind::Static, kCommentLabel, u"", {8, 32, 48, 10}},
        {Kind::Edit, kCommentEdit, u"", {58, 30, 238, 13}},
        {Kind::Button, kAdvancedButton, u"", {302, 46, 58, 15}},
        {Kind::Static, kSelectLabel, u"", {0, 72, 200, 10}},
        {Kind::TreeView, kFileTree, u"", {0, 84, 226, 128}, kShown | ui::kStyleCheckBoxes},
        {Kind::Button, kDefaultsButton, u"", {232, 84, 136, 15}},
        {Kind::Button, kClearButton, u"", {232, 104, 136, 15}},
    };
    return d;
}

// The page of the tab "&Restore", at the backup page's place; created hidden.
DialogTemplate RestorePage() {
    DialogTemplate d;
    d.id = kDialogRestorePage;
    d.rect = {kPageX, kPageY, 368, 212};
    d.style = ui::kStyleChild | ui::kStyleControlParent;
    d.controls = {
        {Kind::Static, kRestoreFromLabel, u"", {0, 3, 56, 10}},
        {Kind::Edit, kRestoreArchiveEdit, u"", {58, 1, 238, 13}},
        {Kind::Button, kRestoreBrowseButton, u"", {302, 0, 66, 15}},
        {Kind::Static, kRestoreSummary, u"", {0, 19, 368, 50}},
        {Kind::TreeView, kRestoreTree, u"", {0, 72, 296, 140}, kShown | ui::kStyleCheckBoxes},
        {Kind::Button, kRestoreSelectAll, u"", {302, 72, 66, 15}},
        {Kind::Button, kRestoreClear, u"", {302, 92, 66, 15}},
        {Kind::Button, kRestoreStopButton, u"", {302, 197, 66, 15}},
    };
    return d;
}

// The progress dialog of a command-line run: visible, unowned, centred, no
// close box. Its title is set when it is created.
DialogTemplate RunProgress() {
    DialogTemplate d;
    d.id = kDialogRunProgress;
    d.rect = {0, 0, 220, 52};
    d.style = kShown | ui::kStyleCentered | ui::kStyleNoCloseBox;
    d.controls = {
        {Kind::Static, kStatusLine, u"", {8, 8, 204, 18}},
        {Kind::Progress, kProgressBar, u"", {8, 32, 204, 10}},
    };
    return d;
}

} // namespace

void AddAppDialogs(VKModule &module) {
    for (DialogTemplate d : {MainDialog(), BackupPage(), RestorePage(), RunProgress()}) module.dialogs[d.id] = std::move(d);
}

} // namespace vk::app
