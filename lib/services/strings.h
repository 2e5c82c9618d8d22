// Resource strings and bounded formatting of the library (the exports
// LMGetString, LMSetDialogText, WsprintfEx, WstrcatEx and BuildOFNFilter are
// declared in include/vaultkeeplib.h).
//
// LMGetString returns texts from a process-wide ring of 100 slots of 1,025
// characters; a text stays valid until 100 further calls. The first missing
// string of a process is reported once in a system-modal box.
#pragma once

#include <cstddef>

#include "vaultkeeplib.h"

namespace vk::lib {

inline constexpr size_t kStringRingSlots = 100;
inline constexpr size_t kStringSlotChars = 1025;
// Characters loaded into a slot, the terminating NUL included.
inline constexpr size_t kStringLoadChars = 1024;
inline constexpr size_t kErrorTextChars = 2048;
inline constexpr size_t kFilterChars = 1021;

// Caption of the missing-string report.
inline constexpr const char16_t *kMissingStringCaption = u"Talvern String";

// The library's allocation warning: string 2845 "Insufficient Local Memory",
// caption string 3075, warning icon, no owner.
void ShowAllocationWarning();
// Installs it as the allocation warning of the library's copy of common/.
void InstallAllocationWarning();

// Tests: clears the one-time missing-string flag.
void ResetMissingStringReport();

} // namespace vk::lib
