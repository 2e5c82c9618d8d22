// The translate hooks of restore jobs: the pass-through hook of current
// archives and the version-7 hook that keeps program files, and one host
// configuration file, of a version-7 archive out of the installation.
#pragma once

#include <cstdint>
#include <string_view>

#include "lib/engine/job.h"

namespace vk::engine {

// The one host configuration file a version-7 archive never restores.
inline constexpr char16_t kVersion7SkipFile[] = u"dumpcal.out";

// Always 0: every item is restored normally.
int PassThroughHook(BackupJob *job, int32_t type, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *text1,
                    const char16_t *text2, const char16_t *text3);

// The version-7 rule for an item, without side effects: 13 for program
// files, 3 for the skip-listed file, else 0.
int Version7Verdict(int32_t type, std::u16string_view destination);

// Program files (2000..2002) are not restored (13, recorded in FileRestore
// under the destination path); files of classes 2003, 2004, 2999, 3999 and
// 5999 named in the skip list are skipped (3); everything else is 0.
int Version7Hook(BackupJob *job, int32_t type, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *text1,
                 const char16_t *text2, const char16_t *text3);

} // namespace vk::engine
