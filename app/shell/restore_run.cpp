#include "app/shell/restore_run.h"

#include "app/shell/app_state.h"
#include "app/shell/backup_page.h"
#include "app/shell/run_steps.h"
#include "app/shell/settings.h"
#include "common/format.h"
#include "common/string_copy.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::app {
namespace {

// Entries that are not counted: outside any folder, or the two main settings
// files, which are restored as ini items rather than copied.
bool CountsAsEntry(std::u16string_view destination) {
    const size_t sep = destination.rfind(fs::kSep);
    if (sep == std::u16string_view::npos) return false;
    const std::u16string_view name = destination.substr(sep + 1);
    return !text::EqualNoCase(name, u"WProperties.ini") && !text::EqualNoCase(name, u"talvern.ini");
}

void CountEntry() {
    RestoreCounters &c = RestoreCounts();
    ++c.seen;
    if (c.total > 0)
        SetProgress(static_cast<int>(static_cast<double>(c.seen) * 100.0 / static_cast<double>(c.total)));
}

int CopyWarning(const char16_t *text, const char16_t *caption) {
    ui::MessageBox(State().hostDialog, text::View(text), caption, ui::kMbOk | ui::kMbIconWarning);
    PumpWaitingMessages();
    return 0;
}

// The open step: checks the archive and opens it with the library.
void OpenArchive(VKHWND owner, const char16_t *path) {
    AppState &s = State();
    if (!fs::Exists(text::View(path))) return;
    RunStart();
    SetStatus(AppText(8127));
    if (s.pendingRestore) VKRestoreClose(s.pendingRestore);
    s.pendingRestore = VKRestoreInit(owner, s.runMode == kRunConfigRestore ? VKF_REPORT : 0u, 0, path,
                                     kArchiveExtension, &RestoreProgress, &s.stopFlag);
    SetProgress(0);
    RunEnd();
    SetStatus(s.idleText);
}

} // namespace

RestoreCounters &RestoreCounts() {
    static RestoreCounters counters;
    return counters;
}

int RestoreProgress(int code, intptr_t value, const char16_t *text) {
    switch (code) {
    case 1: {
        // The library passes the number of entries in place of the text.
        RestoreCounters &c = RestoreCounts();
        c.total = reinterpret_cast<intptr_t>(text);
        c.seen = 0;
        c.restored = 0;
        SetProgress(0);
        break;
    }
    case 2:
        if (CountsAsEntry(text::View(text))) CountEntry();
        break;
    case 3:
        CountEntry();
        break;
    case 9:
        switch (value) {
        case StatusOk:
        case StatusDestinationNewer: return 0;
        case StatusAccessDenied: return CopyWarning(text, u"Error copying file.  File may be read-only");
        case 12: return CopyWarning(text, u"Error copying file. File in use");
        default: return 1; // the library shows its own error dialog
        }
    default:
        break;
    }
    PumpWaitingMessages();
    return 0;
}

bool RunConfigRestore(VKHWND owner, bool /*unattended*/, const char16_t *name) {
    AppState &s = State();
    // The restore archive path is the buffer of the remembered RestoreFrom.
    char16_t *path = ProgramFolders().restoreFrom;
    CopyBounded(path, kPathChars, name ? name : u"");
    SetStatus(AppText(2528));
    if (!s.pendingRestore) OpenArchive(owner, path);

    RunStart();
    const bool opened = s.pendingRestore != nullptr;
    if (s.pendingRestore) {
        SetStatus(AppText(3045));
        VKRestoreClose(s.pendingRestore);
        s.pendingRestore = nullptr;
    }
    SetProgress(0);
    if (s.stopFlag == 1) {
        SetStatus(AppText(3013));
    } else {
        char16_t done[256];
        FormatBounded(done, 256, AppText(7984), RestoreCounts().restored);
        SetStatus(done);
    }
    RunEnd();
    return opened;
}

} // namespace vk::app
