// Pieces shared by the file item modules (classification, copy, version
// policy, entry translation, special handlers). Not used outside lib/engine.
//
// Paths on this platform: native paths are absolute and use '/'. A relative
// text with a separator ('/' or '\') is an archive entry name such as
// "3000/Wells/a.db" or the stored key "4001\x.ini"; a bare name is a file
// name that lies in its class's home folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lib/engine/job.h"

namespace vk::engine {

inline constexpr char16_t kMainIniName[] = u"talvern.ini";
inline constexpr char16_t kPropertiesIniName[] = u"WProperties.ini";

// True for an absolute native path.
bool IsAbsolutePath(std::u16string_view path);
// True when the name is talvern.ini or WProperties.ini (any letter case).
bool IsMainIniName(std::u16string_view name);
// The name a file is stored under in the work folder: talvern.ini becomes
// WProperties.ini, every other name stays.
std::u16string StoredFileName(std::u16string_view name);

// The archive entry of a file of a class: "<class>/<relative>" with '/'.
std::u16string ClassEntry(int32_t fileClass, std::u16string_view relative);

// The part of a database path below the "DataDir" folder, native and
// relative ("Wells/a.db"):
// - an absolute path: the text after the first occurrence of the folder
//   (case-sensitive), or its file name when it does not hold the folder;
// - an entry name ("3000/Wells/a.db", "3000\Wells\a.db"): the text after its
//   first separator (the class folder);
// - a bare name: the name.
// A result that would climb out of its folder ("..") is cut to the file name.
std::u16string PathBelowDataDir(std::u16string_view path);

// Signals a failed copy of `path`: unless the job is quiet, progress code 9
// with the status, the error dialog when the caller's answer allows it, and
// the report flag. The dialog gives the system's text of windowsError as the
// reason, or the status text when windowsError is 0. Returns the status.
int SignalCopyFailure(BackupJob &job, int status, uint32_t windowsError, std::u16string_view path);

// The file-copy error dialog (dialog 118): "File not copied.", the reason
// and the path. The reason is the system's text of windowsError, or the
// status text when windowsError is 0. Never shown for a quiet job.
void ShowCopyErrorDialog(const BackupJob &job, int status, uint32_t windowsError, std::u16string_view path);
// The dialog's text: "File not copied.", the reason and the path, each
// separated by a blank line (at most 1,019 characters).
std::u16string CopyErrorText(int status, uint32_t windowsError, std::u16string_view path);

// The version check of a restore: true when `source` may replace
// `destination` (asks the user under the "Ask" policy).
bool RestoreAllowed(const BackupJob &job, std::u16string_view source, std::u16string_view destination);

// What section "NonVersionedFileRestore" says for a destination whose file
// and archived copy both carry no version.
enum class NonVersionedChoice { Overwrite, Keep, Ask };
NonVersionedChoice NonVersionedPolicy(std::u16string_view destination);

// The version of a file without keeping it in the ini cache afterwards.
uint64_t CheckedVersion(std::u16string_view path);

// A special restore handler: copies source to destination in its own way and
// returns the item's status.
using SpecialHandler = int (*)(BackupJob &job, std::u16string_view source, std::u16string_view destination);
// The handler for a restored file name, or null.
SpecialHandler FindSpecialHandler(std::u16string_view fileName);

} // namespace vk::engine
