// The ini engine: private-profile semantics over a process-wide cache.
//
// Callers rely on the behaviour of the classic private-profile functions:
// case-insensitive section and key names, first match wins, blanks around
// names and values trimmed (and one pair of enclosing quotes stripped from
// values), name lists as NUL-separated names closed by one more NUL, the
// truncation results (size - 1 for a value, size - 2 for a list), deletion by
// a null key or value, and file and section created by the first write.
//
// A parsed file stays cached while it is unchanged on disk, so reads cost a
// lookup. Writes are durable and shared: when a write returns true outside a
// Batch, or when the outermost Batch of the thread finishes with true, the
// file on disk holds it and other processes see it. Inside a Batch, writes
// are kept and written together, so thousands of writes in one call cost one
// rewrite per file. A flush applies this process's writes to the file as it
// is on disk at that moment (another process's changes are kept), under an
// advisory lock on the file's folder, and replaces the file atomically
// (temporary file, flush, rename), so a crash never leaves half a file.
// A write that cannot reach the disk is reported (false) and dropped: the
// file is wholly as before.
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

// Writes made on this thread while a Batch is open are written when the
// outermost one finishes. Every exported call and every settings save opens
// one, so its writes are on disk when it returns.
class Batch {
public:
    Batch();
    ~Batch(); // finishes the batch when Finish was not called
    Batch(const Batch &) = delete;
    Batch &operator=(const Batch &) = delete;
    // The outermost batch writes every pending change; false (last error set)
    // when a file could not be written, whose changes are then dropped. An
    // inner batch writes nothing and gives true.
    bool Finish();

private:
    bool open_ = true;
};

// While held, reads of the file see one version of it: the file as it was
// when the snapshot was taken (with this process's own writes), whatever
// other processes write meanwhile. For reading many values that belong
// together.
class Snapshot {
public:
    explicit Snapshot(std::u16string_view file);
    ~Snapshot();
    Snapshot(const Snapshot &) = delete;
    Snapshot &operator=(const Snapshot &) = delete;

private:
    std::string key_;
};

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

// Writes the pending changes of one file (null: of all files) to disk now,
// inside a Batch too. False when they could not be written; they are dropped.
bool Flush(const char16_t *file);
// Drops the cached copy; pending writes of it are dropped too. Null forgets
// every file.
void Forget(const char16_t *file);
// Drops the cached copies of the file or folder `path` and of every file
// inside that folder, pending writes included (before the folder is deleted).
void ForgetUnder(std::u16string_view path);
// Called before anything reads a file or folder through the file system (a
// copy, the archiver): pending writes of that file, or of every file inside
// that folder, reach the disk first. False when one of them could not.
bool FlushBeforeFileRead(std::u16string_view path);
// Marks (or, with false, unmarks) a scratch folder: a job's private work
// folder, which is thrown away when the job ends and is worthless after a
// crash. Files inside it are not written when a call returns but when
// something reads them from the disk (FlushBeforeFileRead, Flush of the file
// or of everything), and then not synced: a job that records one line per
// item neither rewrites its records nor waits for the disk once per item.
// Reads through this engine always see the pending edits.
void SetScratchFolder(std::u16string_view folder, bool scratch);
// False only when the file on disk cannot hold the section: its name (ASCII,
// in any letter case) appears nowhere in it, neither in 8-bit text nor in
// UTF-16, and no settings file has edits that are not on disk yet. Lets a
// caller that looks for one section in many files (a version record in
// every restored file) pass over the files without it, unparsed and
// uncached. Reads the file in blocks.
bool MayHoldSection(std::u16string_view file, std::string_view section);
// How many times a file was read and parsed since the process started (a
// cached file is parsed again only after it changed on disk).
uint64_t ParseCount();

// Convenience for C++ callers.
std::u16string ReadString(std::u16string_view section, std::u16string_view key, std::u16string_view def,
                          std::u16string_view file);

} // namespace vk::ini
