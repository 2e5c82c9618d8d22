// The command-line grammar.
//
// Each word is looked for with a case-sensitive substring search over the
// whole line; only its first occurrence counts and nothing else is parsed, so
// a word may stand anywhere, with or without a leading "-" or "/", and a word
// inside a path or a reason counts as well.
//
//   why            the reason text: what follows the word, blanks directly
//                  behind it skipped, up to (not including) the first "-" or
//                  the end of the line; at most 2,549 characters
//   key            run mode 1, the critical backup; reason "Backup of critical files"
//   configbackup   run mode 2; reason "Configuration Backup"
//   configrestore  run mode 3; reason "Configuration Restore"
//   varinstall     run mode 4, the variable-definition step; reason unchanged
//   file           the command-line file name: the rest of the line after the
//                  word and exactly one more character, spaces and later words
//                  included; at most 255 characters
//
// Only one mode is taken, in the order key, configbackup, configrestore,
// varinstall; "why" and "file" combine with any of them.
#pragma once

#include <string>
#include <string_view>

#include "app/shell/app_state.h"

namespace vk::app {

// Parses `line` into the run mode, the command-line run flag, the reason text
// and the command-line file name of `state`: first "why", then the mode words,
// then "file". Fields the line does not name keep their values.
void ParseCommandLine(std::u16string_view line, AppState &state);

// The program's arguments joined into one command line, separated by single
// spaces (the text that follows the program's own name).
std::u16string JoinArguments(int argc, const char *const *argv);

} // namespace vk::app
