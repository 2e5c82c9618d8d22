// The ini engine: private-profile semantics over a process-wide cache.
//
// Callers rely on the behaviour of the classic private-profile functions:
// case-insensitive section and key names, first match wins, blanks around
// names and values trimmed (and one pair of enclosing quotes stripped from
// values), name lists as NUL-separated names closed by one more NUL, the
// truncation results (size - 1 for a value, size - 2 for a list), deletion by
// a null key or value, and file and section created by the first write.
//
// A parsed file stays cached while it is unchanged on disk. Writes change the
// cached document and are written back later, atomically (temporary file,
// flush, rename), so thousands of writes to one file cost one rewrite each
// batch, not one each. Pending writes reach the disk on Flush, before any copy
// of the file through vk::fs, at process exit, and at the latest
// kFlushDelayMs after the first pending write when the engine is next used.
// A write returns false (and changes nothing, on disk or in the cache) when the
// file cannot be written.
//
// Every write keeps the rest of the file as it was: comments, order, blank
// lines, unknown lines and the file's encoding (UTF-16 with BOM, UTF-8 with or
// without BOM, or Windows-1252). A character the file's encoding cannot hold
// turns the file into UTF-16 with BOM rather than being lost.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk::ini {

inline constexpr int kFlushDelayMs = 200;
// Tests: the delay after which pending writes are flushed (kFlushDelayMs by
// default); returns the previous value.
int SetFlushDelay(int ms);

// section null: all section names; key null: all key names of the section.
// Returns the characters copied (without the final NUL).
uint32_t GetString(const char16_t *section, const char16_t *key, const char16_t *def, char16_t *buffer,
                   uint32_t size, const char16_t *file);
int32_t GetInt(const char16_t *section, const char16_t *key, int32_t def, const char16_t *file);
// key null: delete the section; value null: delete the key.
bool WriteString(const char16_t *section, const char16_t *key, const char16_t *value, const char16_t *file);
// lines: "key=value" entries, each NUL-terminated, closed by one more NUL;
// null deletes the section.
bool WriteSection(const char16_t *section, const char16_t *lines, const char16_t *file);

// Writes pending changes of one file (null: of all files) to disk.
bool Flush(const char16_t *file);
// Drops the cached copy (after the file was replaced behind the engine's back);
// pending writes of it are dropped too. Null forgets every file.
void Forget(const char16_t *file);
// Drops the cached copies of the file or folder `path` and of every file
// inside that folder, pending writes included (before the folder is deleted).
void ForgetUnder(std::u16string_view path);
// Called before anything reads a file or folder through the file system (a
// copy, the archiver): pending writes of that file, or of every file inside
// that folder, reach the disk first. False when one of them could not.
bool FlushBeforeFileRead(std::u16string_view path);
// How many times a file was read and parsed since the process started (a
// cached file is parsed again only after it changed on disk).
uint64_t ParseCount();

// Convenience for C++ callers.
std::u16string ReadString(std::u16string_view section, std::u16string_view key, std::u16string_view def,
                          std::u16string_view file);

} // namespace vk::ini
