// The dialogs that the tool and service items show, reached through one
// table so that the items run without them (headless tools, tests) and the
// dialogs module fills the entries in one place.
//
// Every entry may be null; the items then behave as documented beside each.
// The dialogs module sets the entries in ToolDialogHooks() (tool_dialogs.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lib/engine/job.h"
#include "vaultkeeplib.h"

namespace vk::tools {

struct ToolDialogs {
    // Tool selection (dialog 111) of a service that is not quiet: shows the
    // service's tools as a checkable tool tree, and on OK hands every checked
    // entry to the job as a tool item. servicesFile is the file the service
    // is read from, toolsFile the file its tools are read from. Returns 1 for
    // OK (or nothing to list) and 0 for Cancel or close.
    // Null: the tools travel as in a quiet job (every entry of each tool).
    int (*selectTools)(BackupJob &job, VKHWND owner, const std::u16string &service, const std::u16string &servicesFile,
                       const std::u16string &toolsFile, bool restore) = nullptr;

    // The modeless "Copying" window (dialog 108) with the text "Copying %s"
    // filled with `section`; at most one at a time. Null: no window.
    void (*openCopying)(VKHWND owner, const std::u16string &section) = nullptr;
    // Destroys the Copying window; nothing when none is open. Null: nothing.
    void (*closeCopying)() = nullptr;

    // The overwrite question (dialog 109) with `text`: returns the button
    // pressed, 103 (Overwrite All), 6 (Yes), 7 (No), 104 (Don't Overwrite
    // Any) or 2 (Escape). Null: 6, the entry is overwritten.
    int (*askOverwrite)(VKHWND owner, const std::u16string &text) = nullptr;

    // "Import serial number" (dialog 114) of a restore: shows targetSerial
    // (the serial number the entry is to be written under) in both fields;
    // OK stores the edited value (at most 38 characters) in targetSerial and
    // returns 1; Skip returns 0; Cancel sets the job's cancel flag (when it
    // has one) and returns 0. hasSerialList chooses the title ("Restore
    // calibrations for %s" or "Restore model info for %s"). The dialog
    // itself refuses a value equal to a model of the tool in destFile.
    // Null: 1, targetSerial unchanged.
    int (*importSerial)(BackupJob &job, const std::u16string &tool, const std::u16string &destFile,
                        bool hasSerialList, std::u16string &targetSerial) = nullptr;
};

// The process-wide table (a function-local static: the load step may use it
// before static initialisers run).
ToolDialogs &ToolDialogHooks();

// Answers of the overwrite question.
inline constexpr int kAnswerOverwriteAll = 103;
inline constexpr int kAnswerDontOverwriteAny = 104;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
inline constexpr int kAnswerEscape = 2;

} // namespace vk::tools
