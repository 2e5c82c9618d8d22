// The three small dialogs of a tool item: the modeless "Copying" window, the
// overwrite question and "Import serial number".
#include <string>

#include "common/format.h"
#include "lib/resources/library_dialogs.h"
#include "lib/resources/library_module.h"
#include "lib/services/center_window.h"
#include "lib/tools/tool_db.h"
#include "lib/tools/tool_tree_dialogs.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"

namespace vk::tools {
namespace {

using namespace vk::ui;
using vk::lib::kDialogCopying;
using vk::lib::kDialogImportSerial;
using vk::lib::kDialogToolOverwrite;

constexpr uint32_t kCopyingTitle = 4507;   // "Copying tool information"
constexpr uint32_t kCopyingFormat = 3981;  // "Copying %s"
constexpr uint32_t kFromCalibrations = 4010; // "Restore calibrations for %s"
constexpr uint32_t kFromModelInfo = 4009;  // "Restore model info for %s"
constexpr uint32_t kSerialIsModel = 3950;  // "That serial number already exists as a model"
constexpr uint32_t kWarningCaption = 2960; // "Warning"
constexpr size_t kTextChars = 1024;        // texts cut to 1,023 characters
constexpr size_t kSerialTitleChars = 1020; // the import title: 1,019 characters

VKModule *Module() { return &vk::lib::LibraryModule(); }
const char16_t *Str(uint32_t id) { return LMGetString(Module(), id); }

VKHWND &CopyingHandle() {
    static VKHWND handle = nullptr;
    return handle;
}

intptr_t CopyingProc(VKHWND dialog, uint32_t msg, uintptr_t, intptr_t lparam) {
    if (msg == kMsgInitDialog) {
        SetWindowText(dialog, Str(kCopyingTitle));
        vk::lib::CenterWindowOver(GetOwner(dialog), dialog);
        SetDlgItemText(dialog, vk::lib::kCopyingText, reinterpret_cast<const char16_t *>(lparam));
        ShowWindow(dialog, true);
        return 1;
    }
    if (msg == kMsgDestroy && CopyingHandle() == dialog) CopyingHandle() = nullptr;
    return 0;
}

intptr_t OverwriteProc(VKHWND dialog, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == kMsgInitDialog) {
        static const int32_t pairs[] = {lib::kToolOverwriteAll, 4344, kIdYes, 6, kIdNo, 7,
                                        lib::kToolOverwriteNone, 4496, 0};
        LMSetDialogText(Module(), dialog, kCopyingTitle, pairs);
        vk::lib::CenterWindowOver(GetOwner(dialog), dialog);
        SetDlgItemText(dialog, lib::kToolOverwriteText, reinterpret_cast<const char16_t *>(lparam));
        return 1;
    }
    if (msg == kMsgCommand && (wparam >> 16) == kBnClicked) {
        const auto id = static_cast<int32_t>(wparam & 0xFFFF);
        if (id == kIdCancel || id == kIdYes || id == kIdNo || id == lib::kToolOverwriteAll ||
            id == lib::kToolOverwriteNone) {
            EndDialog(dialog, id);
            return 1;
        }
    }
    return 0;
}

struct ImportRun {
    BackupJob *job = nullptr;
    std::u16string tool;
    std::u16string destFile;
    bool hasSerialList = false;
    std::u16string *target = nullptr;
};

// The model of the tool in the destination that equals `value`, or "".
std::u16string ModelNamed(const ImportRun &run, std::u16string_view value) {
    for (const std::u16string &key : ReadKeyNames(ModelsSection(run.tool), run.destFile)) {
        const std::u16string model = ReadValue(ModelsSection(run.tool), key, run.destFile, kListNameChars);
        if (!model.empty() && text::EqualNoCase(model, value)) return model;
    }
    return {};
}

intptr_t ImportProc(VKHWND dialog, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == kMsgInitDialog) {
        auto *run = reinterpret_cast<ImportRun *>(lparam);
        SetUserData(dialog, lparam);
        static const int32_t pairs[] = {kIdOk, 1, lib::kImportSerialFromLabel, 3528, lib::kImportSerialToLabel, 3360,
                                        lib::kImportSerialSkip, 2599, kIdCancel, 2, 0};
        LMSetDialogText(Module(), dialog, 0, pairs);
        vk::lib::CenterWindowOver(GetOwner(dialog), dialog);
        char16_t title[kSerialTitleChars] = {};
        FormatBounded(title, kSerialTitleChars, Str(run->hasSerialList ? kFromCalibrations : kFromModelInfo),
                      run->tool.c_str());
        SetWindowText(dialog, title);
        SetDlgItemText(dialog, lib::kImportSerialOld, *run->target);
        SetDlgItemText(dialog, lib::kImportSerialNew, *run->target);
        return 1;
    }
    if (msg != kMsgCommand || (wparam >> 16) != kBnClicked) return 0;
    auto *run = reinterpret_cast<ImportRun *>(GetUserData(dialog));
    if (!run) return 0;
    switch (static_cast<int32_t>(wparam & 0xFFFF)) {
    case kIdOk: {
        std::u16string value = GetDlgItemText(dialog, lib::kImportSerialNew);
        if (value.size() > kListNameChars) value.resize(kListNameChars);
        const std::u16string model = ModelNamed(*run, value);
        if (!model.empty()) {
            char16_t text[kTextChars] = {};
            FormatBounded(text, kTextChars, u"(%s-%s) %s", run->tool.c_str(), model.c_str(), Str(kSerialIsModel));
            const std::u16string caption = Str(kWarningCaption);
            MessageBox(dialog, text, caption, kMbOk | kMbIconWarning);
            return 1; // the dialog stays
        }
        *run->target = value;
        EndDialog(dialog, 1);
        return 1;
    }
    case lib::kImportSerialSkip:
        EndDialog(dialog, 0);
        return 1;
    case kIdCancel:
        if (run->job && run->job->cancelFlag) *run->job->cancelFlag = 1;
        EndDialog(dialog, 0);
        return 1;
    default:
        return 0;
    }
}

} // namespace

void OpenCopyingWindow(VKHWND owner, const std::u16string &section) {
    CloseCopyingWindow();
    char16_t text[kTextChars] = {};
    FormatBounded(text, kTextChars, Str(kCopyingFormat), section.c_str());
    CopyingHandle() = CreateDialog(Module(), kDialogCopying, owner, CopyingProc, reinterpret_cast<intptr_t>(text));
}

void CloseCopyingWindow() {
    VKHWND w = CopyingHandle();
    CopyingHandle() = nullptr;
    if (w) DestroyWindow(w);
}

VKHWND CopyingWindow() { return CopyingHandle(); }

int AskToolOverwrite(VKHWND owner, const std::u16string &text) {
    const intptr_t answer = DialogBox(Module(), kDialogToolOverwrite, owner, OverwriteProc,
                                      reinterpret_cast<intptr_t>(text.c_str()));
    return answer < 0 ? kIdCancel : static_cast<int>(answer);
}

int ImportSerialNumber(BackupJob &job, const std::u16string &tool, const std::u16string &destFile, bool hasSerialList,
                       std::u16string &targetSerial) {
    ImportRun run{&job, tool, destFile, hasSerialList, &targetSerial};
    const intptr_t answer = DialogBox(Module(), kDialogImportSerial, job.owner, ImportProc,
                                      reinterpret_cast<intptr_t>(&run));
    return answer == 1 ? 1 : 0;
}

} // namespace vk::tools
