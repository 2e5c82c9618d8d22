// The program from its entry point to its end: start-up, the run of a
// command word, the message loop and the clean-up.
#pragma once

#include <string_view>

namespace vk::app {

enum class StartUpResult {
    Ready,        // the windows exist; run the mode, then the message loop
    NoMainWindow, // the main window could not be created: exit code 0
    NeedsDisplay, // interactive start without a display: nothing to show
    Answered,     // --help or --version: the answer goes to standard output
};

// Exit codes of the program.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,                 // the job of the command word failed
    kExitNeedsDisplay = 2,           // interactive start without a display
    kExitCompletedWithFailures = 3,  // the job completed, but items failed
};

struct StartOptions {
    bool show = true;           // the show command of an interactive start
    bool requireDisplay = true; // an interactive start needs a display
};

// Start-up in its order: state, texts, paths, remembered folders, the
// command line, the main window with the main dialog and the backup page,
// showing them (hidden for every command word), and the help filter.
StartUpResult StartUp(std::u16string_view commandLine, const StartOptions &options);

// Runs the job of the command word.
void RunCommandLineMode();

// Ends the program after a command-line run: the main window is closed (the
// stop flag is back at 1, so the close goes through), also when the run was
// stopped through "Terminate Process?".
void CloseAfterCommandLineRun();

// Clean-up: a pending restore job is closed, the filter removed, the lists
// and texts freed.
void CleanUp();

// The whole program; returns the exit code: 0, or 1 when the job of a
// command word failed (no archive written, the archive to restore could not
// be opened, the critical backup folder could not be made), 2 for an
// interactive start without a display, 3 when the job completed but items
// failed. --help and --version answer on standard output with 0.
int RunProgram(int argc, char **argv);

// "vaultkeep <version>" and a line end.
const char *VersionText();

// The text that says a display or a command word is needed.
const char *NeedsDisplayText();

} // namespace vk::app
