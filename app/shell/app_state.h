// The program's process-wide state: one record, zero-filled at load, owned by
// the program for its whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ui/ui.h"
#include "vaultkeeplib.h"

namespace vk::app {

// Run modes, chosen by the command line.
enum RunMode : int {
    kRunInteractive = 0,
    kRunCriticalBackup = 1,
    kRunConfigBackup = 2,
    kRunConfigRestore = 3,
    kRunVarInstall = 4,
    kRunRestoreAll = 5, // restore every item the version policy allows, with the undo archive
    kRunVerify = 6,     // check an archive's entries and records
    kRunList = 7,       // print an archive's summary and items
};

// What --help, -h or --version asked for: answered before anything else.
enum InfoRequest : int {
    kInfoNone = 0,
    kInfoHelp = 1,
    kInfoVersion = 2,
};

inline constexpr size_t kPathChars = 256;   // paths: 255 characters and the terminator
inline constexpr size_t kReasonTextChars = 2550; // the reason text: 2,549 and the terminator

// Window class and title of the main window.
inline constexpr char16_t kMainWindowName[] = u"Talvern Backup from Version 7";

struct AppState {
    VKHMODULE instance = nullptr; // the program's resources, for every text
    int runMode = kRunInteractive;
    bool commandLineRun = false; // a run mode 1-7 runs after start-up
    bool commandLineFailed = false; // the job of the command word failed: exit code 1
    int infoRequest = kInfoNone;    // --help / --version: answered on standard output, exit 0
    // The last run: items that failed (a completed run with failures ends
    // the program with exit code 3) and the results report it wrote ("").
    int failedItems = 0;
    std::u16string lastReport;
    char16_t reason[kReasonTextChars] = {};      // why a run was started
    char16_t commandLineFile[kPathChars] = {};    // the name after "file"
    char16_t settingsPath[kPathChars] = {};       // <start folder>vaultkeep.ini
    char16_t hostPropertiesPath[kPathChars] = {}; // <DirConfig>WProperties.ini
    char16_t helpPath[kPathChars] = {};           // the HTML manual
    // 1 while idle and when a stop was asked for, 0 during a run. Its address
    // goes to the library, which polls it.
    int32_t stopFlag = 0;
    int keepOpen = 0; // a confirmed "Terminate Process?" during the last run
    BackupJob *pendingRestore = nullptr; // opened by VKRestoreInit, not yet closed
    // Windows.
    VKHWND mainWindow = nullptr;
    VKHWND mainDialog = nullptr;
    VKHWND hostDialog = nullptr; // the dialog with the status line and bar in use
    VKHWND tab = nullptr;
    VKHWND beginButton = nullptr;
    VKHWND progressBar = nullptr; // the bar in use
    VKHWND backupPage = nullptr;
    VKHWND restorePage = nullptr;
    VKHWND currentPage = nullptr;
    // The help and keyboard filter, and the one it replaced.
    bool filterInstalled = false;
    ui::MessageFilter previousFilter = nullptr;
    // Start-up texts.
    std::u16string className;
    std::u16string title;
    std::u16string idleText; // "For help, press <F1>"
    std::u16string markerName; // "backup.me"
};

AppState &State();
// Gives the record its load-time contents again (tests).
void ResetState();

// A text of the program's string table.
const char16_t *AppText(uint32_t id);

} // namespace vk::app
