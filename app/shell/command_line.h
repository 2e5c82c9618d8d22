// The command-line grammar.
//
// The line is read as words separated by blanks. A word counts only as a
// whole word, with or without one leading "-" or "/", and letter case counts
// ("KEY" is no word). Nothing inside the file name or the reason text counts
// as a word, so a path or a reason can never turn one job into another.
//
//   why            the reason text: what follows the word, blanks directly
//                  behind it skipped, up to (not including) the first "-" or
//                  the end of the line; at most 2,549 characters
//   key            run mode 1, the critical backup; reason "Backup of critical files"
//   configbackup   run mode 2; reason "Configuration Backup"
//   configrestore  run mode 3; reason "Configuration Restore"
//   varinstall     run mode 4, the variable-definition step; reason unchanged
//   restoreall     run mode 5: every item the version policy allows, with
//                  the undo archive; reason "Configuration Restore"
//   verify         run mode 6: checks the archive
//   list           run mode 7: prints the archive's summary and items
//   file           the command-line file name: the rest of the line after the
//                  word and exactly one more character, spaces included; at
//                  most 255 characters. Words stand before it.
//   --help, -h     usage on standard output, exit 0 (before anything else)
//   --version      the version on standard output, exit 0
//
// Only one mode is taken, in the order key, configbackup, configrestore,
// varinstall, restoreall, verify, list; "why" and "file" combine with any.
#pragma once

#include <string>
#include <string_view>

#include "app/shell/app_state.h"

namespace vk::app {

// Parses `line` into the run mode, the command-line run flag, the reason text,
// the command-line file name and the help or version request of `state`.
// Fields the line does not name keep their values.
void ParseCommandLine(std::u16string_view line, AppState &state);

// The program's arguments joined into one command line, separated by single
// spaces (the text that follows the program's own name).
std::u16string JoinArguments(int argc, const char *const *argv);

// The usage text of --help: every word with what it does, and the exit codes.
const char *UsageText();

} // namespace vk::app
