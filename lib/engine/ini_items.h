// Ini-section items: sections and keys of the main properties file that
// travel on their own, and the general section copier.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lib/engine/job.h"

namespace vk::engine {

// The section type name of a type code ("Unknown" outside 1003..1023).
const char16_t *SectionTypeName(int32_t type);

// Copies one key (or, with key null, the whole section) from one file's
// section to another's; StatusOk or StatusIniFail.
int TransferSection(std::u16string_view sourceSection, std::u16string_view destSection, const char16_t *key,
                    std::u16string_view sourceFile, std::u16string_view destFile);

// Writes the file's pending settings writes to disk now; false when they
// could not be written (and are lost).
bool CommitIniWrites(std::u16string_view file);

// The transfer of one ini item of a backup without its record: the
// destination (the given file, or the source's name in the type's home
// folder) and the status.
int TransferIniItem(int32_t type, std::u16string_view sourceSection, std::u16string_view destSection,
                    const char16_t *key, std::u16string_view sourceFile, const char16_t *destFile,
                    std::u16string &destination);
// One ini item of a backup (recorded in IniBk) and of a restore (IniRestore).
// The record is written once the item's writes are on disk.
int BackupIniItem(BackupJob &job, int32_t type, std::u16string_view sourceSection, std::u16string_view destSection,
                  const char16_t *key, std::u16string_view sourceFile, const char16_t *destFile);
int RestoreIniItem(BackupJob &job, int32_t type, std::u16string_view section, const char16_t *key,
                   const char16_t *destFile);

// The fixed selection of sections and keys of a main properties file
// (talvern.ini or WProperties.ini) transferred into destFile.
int TransferMainIni(BackupJob &job, std::u16string_view fileName, std::u16string_view sourceFile,
                    std::u16string_view destFile);

} // namespace vk::engine
