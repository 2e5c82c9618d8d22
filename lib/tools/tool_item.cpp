// The tool item: conflict check, category registration, serial copy, model
// copy, sub-tools of containers and the files of tool sections.
#include "lib/tools/tool_item.h"

#include "common/file_helpers.h"
#include "common/format.h"
#include "lib/engine/file_items.h"
#include "lib/engine/ini_items.h"
#include "lib/engine/metadata.h"
#include "lib/services/directories.h"
#include "lib/services/profile.h"
#include "lib/tools/acquisition_module.h"
#include "lib/tools/tool_db.h"
#include "lib/tools/tool_dialogs.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"
#include "vaultkeeplib.h"

namespace vk::tools {
namespace {

const char16_t *Text(uint32_t id) { return LMGetString(VKGetLibraryModule(), id); }

std::u16string Number(int n) { return vk::text::U16(std::to_string(n)); }

// A string of the table with two "%s" filled in (at most 1,023 characters).
std::u16string FormatWithTwo(uint32_t id, std::u16string_view a, std::u16string_view b) {
    char16_t buffer[1024];
    const std::u16string first(a), second(b);
    vk::FormatBounded(buffer, 1024, Text(id), first.c_str(), second.c_str());
    return buffer;
}

bool NonZero(std::u16string_view oneChar) { return ReadInteger(oneChar) != 0; }

// The state one tool item shares between its steps.
struct ToolRun {
    BackupJob &job;
    std::u16string tool;
    std::u16string id;
    std::u16string source;
    std::u16string dest;
    uint32_t flags = 0;
    bool hasSerialList = false;
    std::u16string targetSerial;
};

// "(T-X) <text>" as a warning owned by the job's window.
void ShowToolWarning(const BackupJob &job, std::u16string_view tool, std::u16string_view x, uint32_t textId) {
    const std::u16string text =
        u"(" + std::u16string(tool) + u"-" + std::u16string(x) + u") " + std::u16string(vk::text::View(Text(textId)));
    vk::ui::MessageBox(job.owner, text, Text(2960), vk::ui::kMbOk | vk::ui::kMbIconWarning);
}

// The files a tool, model or sub-tool section names, read from the source.
void SectionFiles(ToolRun &run, const std::u16string &section) {
    const std::u16string diagram = ReadWholeValue(section, u"Diagram", run.source);
    if (!diagram.empty()) TransferNamedFile(run.job, kClassDiagram, 0, FormatFileName(diagram, u".wtd"), section);
    for (const char16_t *key : {u"CalReportFormat", u"CalReport"}) {
        const std::u16string format = ReadWholeValue(section, key, run.source);
        if (!format.empty()) TransferNamedFile(run.job, kClassCalReport, 0, FormatFileName(format, u".wcp"), section);
    }
    const std::u16string software = ReadValue(section, u"Software", run.source, kListNameChars);
    ModuleReportFormats(software, section, [&](const std::u16string &name) {
        TransferNamedFile(run.job, kClassCalReport, VKF_QUIET, FormatFileName(name, u".wcp"), section);
    });
    vk::engine::ExtraFiles(run.job, section, run.source);
}

// Sub-tools of a container model M: [sub-old] of the source becomes
// [sub-new] of the destination, with the files of each; then the model of
// the destination's instances is fixed when only one side is a container.
void SubTools(ToolRun &run, const std::u16string &model, const std::u16string &oldSuffix,
              const std::u16string &newSuffix) {
    const std::u16string modelSection = EntrySection(run.tool, model);
    if (!NonZero(ReadValue(modelSection, u"Container", run.source, 1))) return;
    for (int n = 1;; ++n) {
        const std::u16string sub = ReadValue(modelSection, u"SubTool" + Number(n), run.source, kListNameChars);
        if (sub.empty()) break;
        XferIniKey(sub.c_str(), oldSuffix.c_str(), run.source.c_str(), newSuffix.c_str(), run.dest.c_str());
        SectionFiles(run, EntrySection(sub, oldSuffix));
    }
    const bool sourceContainer = NonZero(ReadValue(modelSection, u"Container", run.source, 1));
    const bool destContainer = NonZero(ReadValue(modelSection, u"Container", run.dest, 1));
    if (sourceContainer == destContainer) return;
    for (const std::u16string &serial : ReadNumberedList(run.tool, run.dest, kListNameChars)) {
        const std::u16string serialModel = ReadValue(EntrySection(run.tool, serial), u"Model", run.dest, kModelChars);
        if (!vk::text::EqualNoCase(serialModel, model)) continue;
        for (int n = 1;; ++n) {
            const std::u16string sub = ReadValue(modelSection, u"SubTool" + Number(n), run.dest, kSectionChars);
            if (sub.empty()) break;
            vk::lib::ProfileWriteString(EntrySection(sub, serial).c_str(), u"Model", model.c_str(), run.dest.c_str());
        }
    }
}

// Asks for the serial number a restored tool is written under, when the
// job wants every one confirmed or the number is taken in the destination.
// False when the user skipped or cancelled.
bool ConfirmTargetSerial(ToolRun &run) {
    bool ask = (run.job.flags & VKF_REPORT) != 0;
    if (!ask) {
        const Clash clash = SerialClash(run.tool, run.targetSerial, run.dest, true);
        if (clash.modelClash) ShowToolWarning(run.job, run.tool, run.targetSerial, 3950);
        ask = clash.taken;
    }
    // "Overwrite All" answered for every entry of the job that exists: each
    // serial number keeps its number without asking again.
    if (run.job.toolAnswer == kAnswerOverwriteAll) ask = false;
    if (!ask) return true;
    const auto dialog = ToolDialogHooks().importSerial;
    if (!dialog) return true;
    std::u16string target = run.targetSerial;
    const int answer = dialog(run.job, run.tool, run.dest, run.hasSerialList, target);
    if (answer != 1) return false;
    if (target.size() > kListNameChars) target.resize(kListNameChars);
    // An empty number would name the section "T-" and end the serial list.
    if (!target.empty()) run.targetSerial = target;
    return true;
}

void SerialCopy(ToolRun &run) {
    const std::u16string &serial = run.id;
    const std::u16string subModel =
        run.hasSerialList ? ReadValue(EntrySection(run.tool, serial), u"Model", run.source, kModelChars) : serial;
    if ((run.job.flags & VKF_RESTORE) && !ConfirmTargetSerial(run)) return;
    if (run.hasSerialList) AddSerial(run.tool, run.targetSerial, run.dest);
    XferIniKey(run.tool.c_str(), serial.c_str(), run.source.c_str(), run.targetSerial.c_str(), run.dest.c_str());
    if (!subModel.empty()) SubTools(run, subModel, serial, run.targetSerial);
    vk::engine::ExtraFiles(run.job, EntrySection(run.tool, serial), run.source);
    MarkTransferred(run.job, EntrySection(run.tool, serial));
}

void ModelCopy(ToolRun &run, const std::u16string &model) {
    XferIniKey(run.tool.c_str(), model.c_str(), run.source.c_str(), model.c_str(), run.dest.c_str());
    SubTools(run, model, model, model);
    AddModel(run.tool, model, run.dest);
    MarkTransferred(run.job, EntrySection(run.tool, model));
    SectionFiles(run, EntrySection(run.tool, model));
}

// Closes the Copying window on every way out.
struct CopyingWindow {
    explicit CopyingWindow(VKHWND owner, const std::u16string &section) {
        if (ToolDialogHooks().openCopying) ToolDialogHooks().openCopying(owner, section);
    }
    ~CopyingWindow() {
        if (ToolDialogHooks().closeCopying) ToolDialogHooks().closeCopying();
    }
    CopyingWindow(const CopyingWindow &) = delete;
    CopyingWindow &operator=(const CopyingWindow &) = delete;
};

int RunToolItem(ToolRun &run) {
    BackupJob &job = run.job;
    const std::u16string section = EntrySection(run.tool, run.id);
    run.targetSerial = run.id.substr(0, std::min(run.id.size(), kListNameChars));

    std::u16string model;
    if (run.flags & ToolItemSerial) {
        run.hasSerialList = HasSerialList(run.tool, run.source);
        model = run.hasSerialList ? ReadValue(section, u"Model", run.source, kModelChars) : run.id;
    } else if (run.flags & ToolItemModel) {
        model = run.id;
    }

    // A serial-numbered entry whose model this job already transferred still
    // has its own section to copy; only the model step is left out.
    const bool modelDone = (run.flags & ToolItemSerial) && (run.flags & ToolItemWithModel) && run.hasSerialList &&
                           IsTransferred(&job, EntrySection(run.tool, model));
    if (HasAnyKey(section, run.dest)) {
        if (job.toolAnswer == kAnswerDontOverwriteAny) return StatusSkipAll;
        if (IsTransferred(&job, section)) return StatusOk;
        if (job.toolAnswer != kAnswerOverwriteAll) {
            job.toolAnswer = 0;
            const std::u16string question = FormatWithTwo(3982, run.tool, run.id);
            const auto ask = ToolDialogHooks().askOverwrite;
            job.toolAnswer = ask ? ask(job.owner, question) : kAnswerYes;
            if (job.toolAnswer == kAnswerNo) return StatusSkipOne;
            if (job.toolAnswer == kAnswerDontOverwriteAny) return StatusSkipAll;
        }
    }

    CopyingWindow copying(job.owner, section);
    AddFirstFree(kToolsSection, run.tool, run.dest);
    const std::u16string category = ReadValue(run.tool, u"Category", run.source, kModelChars);
    if (!category.empty()) {
        vk::lib::ProfileWriteString(run.tool.c_str(), u"Category", category.c_str(), run.dest.c_str());
        // A serial-numbered entry rarely has an "Available" of its own: its
        // model's then tells the kind, as it does when the tree classifies it.
        std::u16string available = ReadWholeValue(section, u"Available", run.source);
        if (available.empty() && (run.flags & ToolItemSerial) && run.hasSerialList && !model.empty())
            available = ReadWholeValue(EntrySection(run.tool, model), u"Available", run.source);
        AddFirstFree(CategorySection(KindOfAvailable(available)), category, run.dest);
    }
    if (run.flags & ToolItemSerial) SerialCopy(run);
    // An entry without a model has no model section to copy: copying it
    // would make a section "[T-]" and an empty entry in the model list.
    if ((run.flags & (ToolItemModel | ToolItemWithModel)) && !model.empty() && !modelDone) {
        if (SerialClash(run.tool, model, run.dest, false).taken)
            ShowToolWarning(job, run.tool, model, 3915);
        else
            ModelCopy(run, model);
    }
    return StatusOk;
}

std::u16string FromArgument(const char16_t *text, size_t chars) {
    const std::u16string_view view = vk::text::View(text);
    return std::u16string(view.substr(0, std::min(view.size(), chars)));
}

// Without a tool name or an identifier there is no entry to copy.
bool NamesAnEntry(const char16_t *tool, const char16_t *id) { return tool && *tool && id && *id; }

// The call's tools file, or the installed tool database when none is given.
std::u16string InstalledTools(const char16_t *path) {
    return path && *path ? std::u16string(path) : vk::lib::ToolsIniPath();
}

} // namespace

const std::u16string &BackupToolsFile(BackupJob &job) {
    if (job.toolsPath.empty()) {
        job.toolsPath = job.workFolder + job.name + u".wcf";
        vk::CreateEmptyTextFile(job.toolsPath.c_str());
    }
    return job.toolsPath;
}

int TransferNamedFile(BackupJob &job, int32_t fileClass, uint32_t itemFlags, std::u16string_view name,
                      std::u16string_view label, std::u16string *handled) {
    const std::u16string labelText(label);
    return vk::engine::IsBackup(job)
               ? vk::engine::BackupFileItem(job, fileClass, itemFlags, 0, name, handled, labelText.c_str())
               : vk::engine::RestoreFileItem(job, fileClass, itemFlags, 0, name, handled, labelText.c_str());
}

int BackupToolItem(BackupJob &job, uint32_t itemFlags, const char16_t *tool, const char16_t *id,
                   const char16_t *path) {
    if (!NamesAnEntry(tool, id)) return StatusFailed;
    ToolRun run{job, FromArgument(tool, kModelChars), FromArgument(id, kModelChars), InstalledTools(path),
                BackupToolsFile(job), itemFlags, false, {}};
    return RunToolItem(run);
}

int RestoreToolItem(BackupJob &job, uint32_t itemFlags, const char16_t *tool, const char16_t *id,
                    const char16_t *path) {
    if (!NamesAnEntry(tool, id)) return StatusFailed;
    ToolRun run{job, FromArgument(tool, kModelChars), FromArgument(id, kModelChars), job.toolsPath,
                InstalledTools(path), itemFlags, false, {}};
    int status = StatusFailed;
    // An archive without tool definitions (a plain file) has nothing to copy.
    if (!run.source.empty()) {
        if (!run.dest.empty() && !vk::FileExists(run.dest.c_str())) vk::CreateEmptyTextFile(run.dest.c_str());
        status = RunToolItem(run);
        // Restored means on disk.
        if (!vk::engine::CommitIniWrites(run.dest) && status == StatusOk) status = StatusIniFail;
    }
    vk::engine::WriteMetadata(job, vk::engine::kToolRestore, EntrySection(run.tool, run.id), Number(status).c_str());
    return status;
}

} // namespace vk::tools
