// The file-copy error dialog (dialog 118): "File not copied.", the reason and
// the path, with one Ok button.
#include "common/format.h"
#include "lib/engine/file_items_internal.h"
#include "lib/resources/library_dialogs.h"
#include "lib/services/center_window.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"

namespace vk::engine {
namespace {

constexpr uint32_t kTitleStringId = 2960;   // "Warning"
constexpr uint32_t kOkStringId = 1;         // "Ok"
constexpr uint32_t kNotCopiedStringId = 7969; // "File not copied."
constexpr size_t kTextChars = 1020;         // 1,019 characters and the terminator

intptr_t ErrorDialogProc(VKHWND dialog, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case vk::ui::kMsgInitDialog: {
        const int32_t pairs[] = {vk::lib::kCopyErrorOk, static_cast<int32_t>(kOkStringId), 0};
        LMSetDialogText(VKGetLibraryModule(), dialog, kTitleStringId, pairs);
        vk::lib::CenterWindowOver(vk::ui::GetParent(dialog), dialog);
        const char16_t *text = reinterpret_cast<const char16_t *>(lparam);
        vk::ui::SetDlgItemText(dialog, vk::lib::kCopyErrorText, vk::text::View(text));
        return 1;
    }
    case vk::ui::kMsgCommand: {
        const uint32_t id = static_cast<uint32_t>(wparam & 0xFFFF);
        // Ok, and Cancel as the Escape key and the close box send it.
        if (id == static_cast<uint32_t>(vk::ui::kIdOk) || id == static_cast<uint32_t>(vk::ui::kIdCancel)) {
            vk::ui::EndDialog(dialog, static_cast<intptr_t>(id));
            return 1;
        }
        return 0;
    }
    default:
        return 0;
    }
}

} // namespace

std::u16string CopyErrorText(int status, uint32_t windowsError, std::u16string_view path) {
    const std::u16string notCopied(vk::text::View(LMGetString(VKGetLibraryModule(), kNotCopiedStringId)));
    const std::u16string reason =
        windowsError != 0 ? vk::fs::ErrorText(windowsError) : std::u16string(vk::text::View(VKStatusToText(status)));
    const std::u16string where(path);
    char16_t text[kTextChars];
    vk::FormatBounded(text, kTextChars, u"%s\n\n%s\n\n%s", notCopied.c_str(), reason.c_str(), where.c_str());
    return text;
}

void ShowCopyErrorDialog(const BackupJob &job, int status, uint32_t windowsError, std::u16string_view path) {
    if (job.flags & VKF_QUIET) return;
    const std::u16string text = CopyErrorText(status, windowsError, path);
    vk::ui::DialogBox(VKGetLibraryModule(), vk::lib::kDialogCopyError, job.owner, ErrorDialogProc,
                      reinterpret_cast<intptr_t>(text.c_str()));
}

} // namespace vk::engine
