// "Backup.why": the metadata file of an archive.
//
// An ini file in the root of the work folder (and so of the archive). Section
// "Talvern Backup Utility" holds Name, BackupDate, AppendDate (decimal 64-bit
// Windows file times) and BackupVersion; section "Comment" a numbered list of
// comments; the result sections hold one record per item:
//   FileBk / FileRestore      key: entry path with '\' (backup) or file name (restore)
//                             value "status,class" or "14:label - status text,class"
//   IniBk / IniRestore        numbered list: "status,type,section[,key]"
//   ServiceBk / ServiceRestore, ToolBk / ToolRestore  key: name, value: status
// Every read and write goes through the library's profile layer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lib/engine/job.h"

namespace vk::engine {

inline constexpr char16_t kMetadataName[] = u"Backup.why";
inline constexpr char16_t kUtilitySection[] = u"Talvern Backup Utility";
inline constexpr char16_t kCommentSection[] = u"Comment";
inline constexpr char16_t kFileBk[] = u"FileBk";
inline constexpr char16_t kFileRestore[] = u"FileRestore";
inline constexpr char16_t kIniBk[] = u"IniBk";
inline constexpr char16_t kIniRestore[] = u"IniRestore";
inline constexpr char16_t kServiceBk[] = u"ServiceBk";
inline constexpr char16_t kServiceRestore[] = u"ServiceRestore";
inline constexpr char16_t kToolBk[] = u"ToolBk";
inline constexpr char16_t kToolRestore[] = u"ToolRestore";
inline constexpr char16_t kBackupVersionWritten[] = u"7.0";
// Marks an archive this system started. Such an archive carries "7.0" like a
// genuine version-7 archive, but its values are already in current units, so
// the unit conversions of version-7 restores are skipped for it.
inline constexpr char16_t kCreatedByKey[] = u"CreatedBy";
inline constexpr char16_t kCreatedByValue[] = u"Vaultkeep";
bool CreatedByThisSystem(const BackupJob &job);

// The section of a result kind for the job's direction.
const char16_t *FileSection(const BackupJob &job);
const char16_t *IniSection(const BackupJob &job);
const char16_t *ServiceSection(const BackupJob &job);
const char16_t *ToolSection(const BackupJob &job);

// Records a file item's result under `key`: "status,class", or with a label
// "14:label - <status text>,class".
void RecordFileResult(BackupJob &job, std::u16string_view key, int status, int32_t fileClass,
                      const char16_t *label);
// Records an ini item's result in the numbered list of the direction:
// "status,type,section,key" or "status,type,section" (no duplicates).
void RecordIniResult(BackupJob &job, int status, int32_t type, std::u16string_view section, const char16_t *key);

// Reads a value of the job's "Backup.why" (empty when missing).
std::u16string ReadMetadata(const BackupJob &job, std::u16string_view section, std::u16string_view key);
bool WriteMetadata(BackupJob &job, std::u16string_view section, std::u16string_view key, const char16_t *value);

} // namespace vk::engine
