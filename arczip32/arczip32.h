/*
 * arczip32: the archive library of the system.
 *
 * Zips a folder into a standard ZIP archive and unpacks a ZIP archive into a
 * folder. The archives are ordinary ZIP files (deflate level 6, zip64 where
 * sizes, offsets or the entry count need it, entry names in UTF-8 with the
 * UTF-8 flag, '/'-separated and relative) that other ZIP tools read, and
 * archives made by other tools unpack through this library.
 *
 * Plain C (C11 or later) and C++. All paths and texts are NUL-terminated
 * UTF-16 (char16_t).
 *
 * ---- The request record ---------------------------------------------------
 * Every call takes an ArchiveRequest: eight pointer-sized words, zeroed by the
 * caller before the first call of a sequence and kept unchanged between calls.
 *
 *   word 0  0 (reserved)
 *   word 1  archive path (const char16_t *)
 *   word 2  destination folder of an extraction (const char16_t *); 0 when zipping
 *   word 3  0 (reserved)
 *   word 4  event callback (ArchiveEventProc) or 0
 *   word 5  context, handed back to the callback unchanged
 *   word 6  cancel flag (int32_t *) or 0: a nonzero flag stops the operation
 *   word 7  the library's own handle: set by ArcCreate and ArcOpen, cleared by
 *           ArcFinish and ArcClose. The caller never touches it.
 *
 * ---- Calls and their order --------------------------------------------------
 * Each returns nonzero on success and 0 on failure; none throws, none blocks
 * forever, none crashes on a bad archive.
 *
 * Writing:  ArcCreate (ordinal 2), then ArcAddFolder (ordinal 8, may be called
 *           more than once), then ArcFinish (ordinal 4). ArcFinish must be
 *           called whenever ArcCreate succeeded, also after ArcAddFolder failed.
 *   - ArcCreate reserves a temporary file in the archive's folder; the file at
 *     word 1 is not touched. Fails when word 7 is already set, when the path
 *     is empty or when the folder cannot be written.
 *   - ArcAddFolder compresses every file and keeps every empty folder below
 *     `folder` (recursively), named relative to it with '/' separators.
 *     Symbolic links and special files (devices, pipes, sockets) are not
 *     stored. Compression runs on all processor cores; the events reach the
 *     caller on the calling thread. Fails when the folder cannot be read, a
 *     file cannot be read, the compressed data cannot be kept, or the
 *     operation was cancelled; the archive is then only discarded by
 *     ArcFinish.
 *   - ArcFinish writes the archive into the temporary file and then replaces
 *     the file at word 1 with it in one step (a rename). If anything failed
 *     before, if the cancel flag is set, or if writing or the rename fails,
 *     it discards the new archive, removes the temporary file and returns 0:
 *     the file at word 1 (or its absence) stays exactly as it was. The cancel
 *     flag is also watched while the archive is written.
 *     ArcFinish always releases the handle in word 7.
 *
 * Reading:  ArcOpen (ordinal 5), then ArcExtractAll (ordinal 6), then ArcClose
 *           (ordinal 7). ArcClose must be called whenever ArcOpen succeeded.
 *   - ArcOpen opens the archive at word 1. Fails for a missing file, a folder,
 *     an empty (0-byte) file, a file that is not a ZIP archive and a
 *     truncated or damaged archive whose directory cannot be read.
 *   - ArcExtractAll unpacks every entry into the folder at word 2 (created
 *     when missing; its parent must exist). Files are written under a
 *     temporary name and renamed into place when complete, with the entry's
 *     modification time. Extraction never writes outside the folder: entries
 *     named with a ".." part, absolute names ("/x", "\x"), drive names
 *     ("C:x"), symbolic links and special files are refused, and nothing is
 *     written through a symbolic link or a non-folder that already lies
 *     inside the destination. '\' in entry names counts as a separator.
 *     A refused entry, or one that cannot be unpacked (damaged data, CRC
 *     error, encryption, unknown method, write failure), is reported with
 *     event 4 and the rest of the archive is unpacked. Returns nonzero when
 *     the archive was read through and at least one of its entries was
 *     unpacked (or it has none); 0 when cancelled, when the destination is
 *     unusable, or when no entry could be unpacked.
 *   - ArcClose releases the archive and the handle in word 7; returns nonzero.
 *   - ArcUnpackedSize (ordinal 9), between ArcOpen and ArcClose, tells the
 *     number of entries and the sum of their sizes as the archive declares
 *     them, so a caller can refuse an archive that would not fit where it is
 *     to be unpacked before anything is written. ArcExtractAll never writes
 *     more of an entry than its declared size: an entry whose data runs
 *     longer is refused (event 4).
 *
 * ---- Entry by entry ---------------------------------------------------------
 * A job that handles its files one at a time uses these beside the calls
 * above; names are entry names (relative, '/'-separated, as stored).
 *
 * Writing, between ArcCreate and ArcFinish:
 *   - ArcAddFile (ordinal 10): reads the file `path` now, once, and adds it as
 *     entry `name`; it is deflated on the other cores while the caller goes
 *     on, and kept until ArcFinish writes the archive (compressed data beyond
 *     32 MB waits in a scratch file of the temporary folder that the system
 *     removes however the process ends).
 *     Returns 0 when the file cannot be read (the platform's last error tells
 *     why) or when the cancel flag is set while it waits for room.
 *   - ArcAddArchive (ordinal 12): adds every entry of the archive `path` as
 *     it is stored there (not compressed again). Entries added later under
 *     the same name replace them, at their place.
 *   - ArcHasEntry (ordinal 11): nonzero when an entry of that name has been
 *     added. On a request opened by ArcOpen: nonzero when the archive has a
 *     file entry of that name that may be unpacked (exact, else in any
 *     letter case).
 *   ArcAddFolder then sends its events for every entry not announced yet
 *   (the files added before as well as the folder's), in archive order.
 *
 * Reading, between ArcOpen and ArcClose:
 *   - ArcListEntries (ordinal 14): sends the events ArcExtractAll would send
 *     (0, 1 or 2 per entry, 4 for an entry that would be refused, 3 as the
 *     check goes, 5) without writing anything; the same result. The data of
 *     every file entry is inflated and its CRC checked (on every core), so a
 *     damaged entry gets event 4 here, as it would when unpacked.
 *   - ArcExtractNamed (ordinal 15): unpacks the named file entries (a list of
 *     `count` names) into the folder at word 2, without events; names the
 *     archive does not hold are passed over. 0 when one cannot be unpacked.
 *   - ArcExtractEntry (ordinal 13): unpacks file entry `name` into a new file
 *     at exactly `path` (created; an existing file is never touched), with
 *     the entry's modification time. 0 (and nothing left at `path`) when the
 *     entry is missing, damaged or cannot be written, or when cancelled.
 *
 * ---- Events -----------------------------------------------------------------
 * ArcAddFolder and ArcExtractAll report through the callback at word 4 (when
 * it is set), always on the calling thread:
 *
 *   event 0  first, before any entry. value = the number of entries the call
 *            will process (an integer): files plus empty folders when zipping;
 *            all entries of the archive when unpacking.
 *   event 1  a file entry is done. value = its name (const char16_t *),
 *            relative and '/'-separated. Zipping: the file has been read and
 *            compressed into the archive being built. Unpacking: the file lies
 *            complete at its place in the destination.
 *   event 2  a folder entry is done. value = its name with a trailing '/'.
 *            Zipping: an empty folder was added. Unpacking: the folder exists.
 *            So every entry that succeeds gives exactly one event 1 or 2, and
 *            an entry count from event 0 is reached by counting both.
 *   event 3  progress of the whole call as a text (const char16_t *) such as
 *            "42%": the share of the uncompressed bytes done so far. Sent
 *            each time the whole percentage rises (also in the middle of a
 *            large file), at most once per percent.
 *   event 4  unpacking only: an entry cannot be unpacked or was refused (see
 *            ArcExtractAll). value = the entry's name as stored in the archive.
 *            The entry gets no event 1 or 2.
 *   event 5  last, once, when the call succeeds: a summary line
 *            (const char16_t *), for zipping
 *              "Zipped 3021 entries: 18345678 bytes compressed to 5123456 bytes"
 *            and for unpacking
 *              "Unzipped 3019 of 3021 entries: 18345678 bytes, 2 refused".
 *
 * Texts and names passed as values are valid only during the callback.
 * A callback result of 0 stops the operation, like a set cancel flag: the call
 * stops promptly (within one block of data), sends no further events and
 * returns 0. Any other result goes on.
 *
 * ---- Binding by ordinal -----------------------------------------------------
 * ArcProcByOrdinal(n) returns the call of ordinal n (2 and 4 to 15) as a
 * generic function pointer, null for any other number. Cast it back to
 * ArcRequestProc (2, 4 to 7, 14), ArcAddFolderProc (8, 12), ArcSizeProc (9),
 * ArcEntryFileProc (10, 13), ArcNameProc (11) or ArcNamesProc (15) before
 * calling it.
 *
 * Threads: one request is used by one thread at a time; separate requests are
 * independent.
 */
#ifndef ARCZIP32_H
#define ARCZIP32_H

#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#if defined(_WIN32)
#  define ARC_API __declspec(dllexport)
#else
#  define ARC_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Word numbers of the request record. */
enum {
    ARC_WORD_ARCHIVE = 1,
    ARC_WORD_DESTINATION = 2,
    ARC_WORD_CALLBACK = 4,
    ARC_WORD_CONTEXT = 5,
    ARC_WORD_CANCEL = 6,
    ARC_WORD_HANDLE = 7
};

/* The platform's last error after ArcExtractEntry found the entry's data
 * damaged (a CRC error, as Windows names it). */
enum { ARC_ERROR_DAMAGED_ENTRY = 23 };

/* Events of ArchiveEventProc. */
enum {
    ARC_EVENT_START = 0,
    ARC_EVENT_FILE = 1,
    ARC_EVENT_FOLDER = 2,
    ARC_EVENT_PROGRESS = 3,
    ARC_EVENT_CANNOT_UNPACK = 4,
    ARC_EVENT_SUMMARY = 5
};

typedef struct ArchiveRequest {
    intptr_t word[8];
} ArchiveRequest;

/* Returns 0 to stop the operation, anything else to go on. */
typedef int (*ArchiveEventProc)(int event, void *context, intptr_t value);

typedef int (*ArcRequestProc)(ArchiveRequest *request);
typedef int (*ArcAddFolderProc)(ArchiveRequest *request, const char16_t *folder);
typedef int (*ArcSizeProc)(ArchiveRequest *request, uint64_t *entries, uint64_t *bytes);
typedef void (*ArcAnyProc)(void);
typedef int (*ArcEntryFileProc)(ArchiveRequest *request, const char16_t *name, const char16_t *path);
typedef int (*ArcNameProc)(ArchiveRequest *request, const char16_t *name);
typedef int (*ArcNamesProc)(ArchiveRequest *request, const char16_t *const *names, int count);

ARC_API int ArcCreate(ArchiveRequest *request);                              /* ordinal 2 */
ARC_API int ArcFinish(ArchiveRequest *request);                              /* ordinal 4 */
ARC_API int ArcOpen(ArchiveRequest *request);                                /* ordinal 5 */
ARC_API int ArcExtractAll(ArchiveRequest *request);                          /* ordinal 6 */
ARC_API int ArcClose(ArchiveRequest *request);                               /* ordinal 7 */
ARC_API int ArcAddFolder(ArchiveRequest *request, const char16_t *folder);  /* ordinal 8 */
ARC_API int ArcUnpackedSize(ArchiveRequest *request, uint64_t *entries, uint64_t *bytes); /* ordinal 9 */
ARC_API int ArcAddFile(ArchiveRequest *request, const char16_t *name, const char16_t *path);     /* ordinal 10 */
ARC_API int ArcHasEntry(ArchiveRequest *request, const char16_t *name);                         /* ordinal 11 */
ARC_API int ArcAddArchive(ArchiveRequest *request, const char16_t *path);                        /* ordinal 12 */
ARC_API int ArcExtractEntry(ArchiveRequest *request, const char16_t *name, const char16_t *path); /* ordinal 13 */
ARC_API int ArcListEntries(ArchiveRequest *request);                                            /* ordinal 14 */
ARC_API int ArcExtractNamed(ArchiveRequest *request, const char16_t *const *names, int count);  /* ordinal 15 */

ARC_API ArcAnyProc ArcProcByOrdinal(int ordinal);

/* Version of the archive library's interface. */
ARC_API int ArcVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* ARCZIP32_H */
