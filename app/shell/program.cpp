#include "app/shell/program.h"

#include <cstdio>
#include <string>

#include "app/critical/critical_backup.h"
#include "app/resources/app_dialogs.h"
#include "app/shell/allocation_warning.h"
#include "app/shell/app_module.h"
#include "app/shell/app_state.h"
#include "app/shell/backup_run.h"
#include "app/shell/command_line.h"
#include "app/shell/display.h"
#include "app/shell/main_dialog.h"
#include "app/shell/main_window.h"
#include "app/shell/progress_dialog.h"
#include "app/shell/restore_page.h"
#include "app/shell/restore_run.h"
#include "app/shell/restore_words.h"
#include "app/shell/run_outcome.h"
#include "app/shell/run_steps.h"
#include "app/shell/settings.h"
#include "common/string_copy.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"

namespace vk::app {
namespace {

constexpr char16_t kHelpFileName[] = u"vaultkeep.html";
// The critical backup run writes the reason text in place.
static_assert(kReasonTextChars == kReasonChars);

// The manual: in the start folder as the installation keeps it, else next to
// the program file.
void MakeHelpPath(const std::u16string &startFolder, char16_t *out) {
    std::u16string path = startFolder + kHelpFileName;
    if (!fs::Exists(path)) {
        const std::u16string programFolder = fs::ProgramFolder();
        if (!programFolder.empty() && fs::Exists(programFolder + kHelpFileName)) path = programFolder + kHelpFileName;
    }
    CopyBounded(out, kPathChars, path);
}

// The outcome line of a backup or restore run: the progress dialog's title
// and last status, the archive, and for a failed run the reason in the
// system's own words.
void ReportRun(VKHWND progress) {
    AppState &s = State();
    if (!progress) return;
    std::u16string line = ui::GetWindowText(progress) + u": " + ui::GetDlgItemText(progress, kStatusLine);
    const std::u16string archive =
        s.runMode == kRunConfigBackup ? ui::GetDlgItemText(s.backupPage, kArchiveEdit) : s.commandLineFile;
    if (!s.commandLineFailed) {
        if (s.runMode == kRunConfigBackup) line += u": " + archive;
    } else if (s.runMode == kRunConfigBackup) {
        const std::u16string why = FolderUnwritableReason(archive);
        line += u": " + archive + (why.empty() ? u"" : u": " + why);
    } else {
        const std::u16string why = ArchiveMissingReason(archive);
        line += u" (the archive could not be opened: " + archive + (why.empty() ? u")" : u": " + why + u")");
    }
    PrintOutcome(line, s.commandLineFailed);
}

void ReportCritical(const CriticalResult &result) {
    std::u16string line = std::u16string(AppText(3067)) + u": ";
    switch (result.outcome) {
    case CriticalOutcome::BackedUp:
        line += text::FromUtf8(std::to_string(result.copied)) + u" files copied to " + result.folder;
        break;
    case CriticalOutcome::NoChange: line += u"no critical file changed; nothing copied"; break;
    case CriticalOutcome::FolderFailed: {
        line += u"the backup folder could not be made in " + result.folder;
        const std::u16string why = FolderUnwritableReason(result.folder + u"KEY");
        if (!why.empty()) line += u": " + why;
        break;
    }
    }
    if (!result.pruned.empty()) line += u"; oldest folder removed: " + result.pruned;
    PrintOutcome(line, result.outcome == CriticalOutcome::FolderFailed);
}

void RunCritical() {
    AppState &s = State();
    const char16_t *config = VKGetTalvernDir(DirConfig);
    CriticalContext context;
    context.module = s.instance;
    context.mainWindow = s.mainWindow;
    context.settingsPath = s.settingsPath;
    context.propertiesPath = s.hostPropertiesPath;
    context.configDir = config ? config : u"";
    context.dirBackup = DirBackupFolder();
    context.backupFrom = ProgramFolders().backupFrom;
    context.reason = s.reason;
    context.pump = &PumpWaitingMessages;
    const CriticalResult result = RunCriticalBackup(context);
    ReportCritical(result);
    s.commandLineFailed = result.outcome == CriticalOutcome::FolderFailed;
}

} // namespace

const char *VersionText() { return "vaultkeep " VK_VERSION_TEXT "\n"; }

const char *NeedsDisplayText() {
    return "vaultkeep: no display to show the program's window on.\n"
           "Start it on a desktop, or give it a command word to run one job without a window:\n"
           "  vaultkeep configbackup file ARCHIVE    configuration backup of the installation\n"
           "  vaultkeep configrestore file ARCHIVE   open and check a configuration archive\n"
           "  vaultkeep key                          backup of the critical files\n"
           "  vaultkeep varinstall                   variable-definition step\n"
           "  vaultkeep list file ARCHIVE            an archive's summary and items\n"
           "  vaultkeep verify file ARCHIVE          check an archive\n"
           "  vaultkeep restoreall file ARCHIVE      restore an archive, with an undo archive\n"
           "  vaultkeep --help                       every word and the exit codes\n";
}

StartUpResult StartUp(std::u16string_view commandLine, const StartOptions &options) {
    AppState &s = State();
    // 1. The instance and the idle stop flag.
    s.instance = AppModule();
    s.stopFlag = 1;
    // 2. Start-up texts.
    s.className = kMainWindowName;
    s.title = kMainWindowName;
    s.idleText = AppText(3078);
    s.markerName = u"backup.me";
    // 3. No pending restore; the start folder; no reason yet.
    s.pendingRestore = nullptr;
    const std::u16string startFolder = fs::CurrentDirectory();
    s.reason[0] = u'\0';
    // 4. The paths.
    const char16_t *config = VKGetTalvernDir(DirConfig);
    MakeHostPropertiesPath(config ? config : u"", s.hostPropertiesPath, kPathChars);
    MakeHelpPath(startFolder, s.helpPath);
    MakeSettingsPath(startFolder.c_str(), s.settingsPath, kPathChars);
    // 5. Remembered folders: BackupFrom, BackupTo, RestoreFrom.
    ReadRememberedFolders(s.hostPropertiesPath, DirBackupFolder());
    // 6. The command line.
    ParseCommandLine(commandLine, s);
    // Help and version need neither a display nor a window.
    if (s.infoRequest != kInfoNone) return StartUpResult::Answered;
    if (!s.commandLineRun && options.requireDisplay && !ui::HasDisplay()) return StartUpResult::NeedsDisplay;
    // 7, 8. The main window (its class is the model's window kind).
    s.mainWindow = CreateMainWindow();
    if (!s.mainWindow) return StartUpResult::NoMainWindow;
    // 9. The main dialog with the backup page, and the window around it.
    CreateMainDialog(s.mainWindow);
    FitMainWindow();
    // 10. Shown for an interactive start, hidden for every command word.
    const bool show = options.show && !s.commandLineRun;
    ui::ShowWindow(s.mainWindow, show);
    ui::ShowWindow(s.hostDialog, show);
    ui::ShowWindow(s.backupPage, show);
    // 11. Help and keyboard.
    InstallHelpFilter();
    return StartUpResult::Ready;
}

void RunCommandLineMode() {
    AppState &s = State();
    switch (s.runMode) {
    case kRunCriticalBackup:
        RunCritical();
        break;
    case kRunConfigBackup:
    case kRunConfigRestore: {
        VKHWND progress = OpenRunProgress();
        const bool done = s.runMode == kRunConfigBackup ? RunConfigBackup(progress, true, s.commandLineFile)
                                                        : RunConfigRestore(progress, true, s.commandLineFile);
        s.commandLineFailed = !done;
        ReportRun(progress);
        CloseRunProgress(progress);
        break;
    }
    case kRunVarInstall:
        InstallVarDefs();
        break;
    case kRunRestoreAll:
    case kRunVerify:
    case kRunList: {
        VKHWND progress = OpenRunProgress();
        VKHWND owner = progress ? progress : s.mainWindow;
        const int code = s.runMode == kRunList     ? ListArchive(owner, s.commandLineFile)
                         : s.runMode == kRunVerify ? VerifyArchive(owner, s.commandLineFile)
                                                   : RestoreWholeArchive(owner, s.commandLineFile);
        s.commandLineFailed = code == kExitFailed;
        if (code != kExitCompletedWithFailures && s.runMode == kRunRestoreAll) s.failedItems = 0;
        CloseRunProgress(progress);
        break;
    }
    default:
        break;
    }
}

void CloseAfterCommandLineRun() {
    AppState &s = State();
    // A command-line run has no user to close the hidden windows: the program
    // ends after it even when the run was stopped through "Terminate
    // Process?", which would otherwise keep it open with nothing shown.
    s.stopFlag = 1;
    ui::SendMessage(s.mainWindow, ui::kMsgClose, 0, 0);
    if (ui::IsWindow(s.mainWindow)) ui::DestroyWindow(s.mainWindow);
}

void CleanUp() {
    AppState &s = State();
    if (s.pendingRestore) {
        VKRestoreClose(s.pendingRestore);
        s.pendingRestore = nullptr;
    }
    // The archive the Restore page holds open, and its work folder.
    CloseArchiveContents(RestorePage().contents);
    RemoveHelpFilter();
    FreeItemLists(ProgramItemLists());
    ini::Flush(nullptr);
    s.className.clear();
    s.title.clear();
    s.idleText.clear();
    s.markerName.clear();
}

int RunProgram(int argc, char **argv) {
    InstallAllocationWarning();
    InstallDisplayBackend();
    const std::u16string line = JoinArguments(argc, argv);
    int code = 0;
    switch (StartUp(line, StartOptions{})) {
    case StartUpResult::NoMainWindow:
        break;
    case StartUpResult::Answered:
        std::fputs(State().infoRequest == kInfoHelp ? UsageText() : VersionText(), stdout);
        break;
    case StartUpResult::NeedsDisplay:
        std::fputs(NeedsDisplayText(), stderr);
        code = kExitNeedsDisplay;
        break;
    case StartUpResult::Ready:
        if (State().commandLineRun) {
            RunCommandLineMode();
            CloseAfterCommandLineRun();
        }
        code = ui::RunMessageLoop();
        // An installer learns from the exit code whether the job was done.
        if (State().commandLineFailed) code = kExitFailed;
        else if (State().commandLineRun && State().failedItems > 0) code = kExitCompletedWithFailures;
        break;
    }
    CleanUp();
    ShutdownDisplayBackend();
    return code;
}

} // namespace vk::app
