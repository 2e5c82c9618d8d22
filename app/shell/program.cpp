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
#include "app/shell/restore_run.h"
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

// Without a display nobody sees the progress dialog: its title and last
// status go to standard error instead, with the archive of a backup.
void ReportRun(VKHWND progress) {
    if (ui::HasDisplay() || !progress) return;
    AppState &s = State();
    std::string line = "vaultkeep: " + text::ToUtf8(ui::GetWindowText(progress)) + ": " +
                       text::ToUtf8(ui::GetDlgItemText(progress, kStatusLine));
    if (s.runMode == kRunConfigBackup) line += ": " + text::ToUtf8(ui::GetDlgItemText(s.backupPage, kArchiveEdit));
    else if (s.commandLineFailed) line += " (the archive could not be opened: " + text::ToUtf8(s.commandLineFile) + ")";
    std::fprintf(stderr, "%s\n", line.c_str());
}

void ReportCritical(const CriticalResult &result) {
    if (ui::HasDisplay()) return;
    std::string line = "vaultkeep: " + text::ToUtf8(AppText(3067)) + ": ";
    switch (result.outcome) {
    case CriticalOutcome::BackedUp:
        line += std::to_string(result.copied) + " files copied to " + text::ToUtf8(result.folder);
        break;
    case CriticalOutcome::NoChange: line += "no critical file changed; nothing copied"; break;
    case CriticalOutcome::FolderFailed: line += "the backup folder could not be made"; break;
    }
    if (!result.pruned.empty()) line += "; oldest folder removed: " + text::ToUtf8(result.pruned);
    std::fprintf(stderr, "%s\n", line.c_str());
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

const char *NeedsDisplayText() {
    return "vaultkeep: no display to show the program's window on.\n"
           "Start it on a desktop, or give it a command word to run one job without a window:\n"
           "  vaultkeep configbackup file ARCHIVE    configuration backup of the installation\n"
           "  vaultkeep configrestore file ARCHIVE   open and check a configuration archive\n"
           "  vaultkeep key                          backup of the critical files\n"
           "  vaultkeep varinstall                   variable-definition step\n";
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
    case StartUpResult::NeedsDisplay:
        std::fputs(NeedsDisplayText(), stderr);
        code = 2;
        break;
    case StartUpResult::Ready:
        if (State().commandLineRun) {
            RunCommandLineMode();
            CloseAfterCommandLineRun();
        }
        code = ui::RunMessageLoop();
        // An installer learns from the exit code whether the job was done.
        if (State().commandLineFailed) code = 1;
        break;
    }
    CleanUp();
    ShutdownDisplayBackend();
    return code;
}

} // namespace vk::app
