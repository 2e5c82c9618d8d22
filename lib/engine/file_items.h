// File items: classification, backup and restore copies with the version
// policy, translation of archive entries into destination paths, and the
// "ExtraExternalFile" lists of tool and service sections.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lib/engine/job.h"

namespace vk::engine {

// The file class of a path (1999 for the main properties file, 1002 for a
// name without extension, 99999 when nothing places it).
int32_t ClassifyFile(std::u16string_view path);

// Backs up one file into the work folder and records the result in FileBk.
// handled (optional) receives the source path; label names the section whose
// "ExtraExternalFile" list named the file.
int BackupFileItem(BackupJob &job, int32_t fileClass, uint32_t itemFlags, uint32_t itemExtraFlags,
                   std::u16string_view path, std::u16string *handled, const char16_t *label);
// Restores one file from the work folder (or, for a plain-source job, from the
// archive file itself) to its home folder under the version policy.
int RestoreFileItem(BackupJob &job, int32_t fileClass, uint32_t itemFlags, uint32_t itemExtraFlags,
                    std::u16string_view path, std::u16string *handled, const char16_t *label);

// The destination path of an archive entry or item path; fileClass 0 looks
// the class up in the job's FileBk records.
std::u16string TranslateEntry(const BackupJob &job, std::u16string_view entry, int32_t fileClass);

// Copies one file for the job with the progress code 9, the error dialog, the
// version check (restore) and the report flag; returns the status.
int CopyJobFile(BackupJob &job, std::u16string_view source, std::u16string_view destination);

// The 64-bit version of a file (0: unversioned).
uint64_t FileVersion(std::u16string_view path);

// Backs up or restores the files named by the "ExtraExternalFile<n>" keys of
// a section; the status of the last file, 0 for an empty list.
int ExtraFiles(BackupJob &job, std::u16string_view section, std::u16string_view iniFile);

} // namespace vk::engine
