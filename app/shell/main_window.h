// The main window: the top-level window that holds the main dialog, its close
// check, and the help and keyboard filter.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/ui.h"

namespace vk::app {

// User messages of the main window.
inline constexpr uint32_t kMsgOpenHelp = 0x401;   // help for the current page
inline constexpr uint32_t kMsgAltB = 0x402;       // selects the tab marked &B
inline constexpr uint32_t kMsgAltR = 0x403;       // selects the tab marked &R
inline constexpr uint32_t kMsgFocusTab0 = 0x404;  // Alt+C
inline constexpr uint32_t kMsgFocusTab1 = 0x405;  // Alt+O
inline constexpr uint32_t kMsgFocusTab2 = 0x406;  // Alt+E

// The help context of the backup page.
inline constexpr int kHelpBackupPage = 1028;

// Creates the main window, hidden, with the title of the state record. Null
// when it cannot be created.
VKHWND CreateMainWindow();
intptr_t MainWindowProc(VKHWND window, uint32_t msg, uintptr_t wparam, intptr_t lparam);

// Fits the main window around the host dialog and puts it at 0, 0.
void FitMainWindow();

// The close check: true when the main window may close. During a run it asks
// "Terminate Process?" and refuses; Yes sets the stop and keep-open flags.
bool CloseCheck();

// The topic (anchor) of the manual for a help context.
std::u16string HelpTopic(int context);
// Opens the manual at the current page's topic.
bool OpenPageHelp();

// The filter for dialog input: F1 asks the main window for help and goes on
// to the dialog; Alt with B, R, C, O or E posts 0x402 to 0x406 to the main
// window and is consumed; everything else goes on.
bool HelpFilter(VKHWND target, uint32_t msg, uintptr_t wparam, intptr_t lparam);
void InstallHelpFilter();
void RemoveHelpFilter();

} // namespace vk::app
