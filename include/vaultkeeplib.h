/*
 * vaultkeeplib: configuration backup and restore of a Talvern installation.
 *
 * The only header other programs need. Plain C (C11 or later) and C++.
 * All text is NUL-terminated UTF-16 (char16_t). Strings returned by the library
 * (LMGetString, VKGetTalvernDir, BuildOFNFilter, VKStatusToText) belong to the
 * library: use or copy them at once and never free them.
 *
 * Threads: the library is used from one user-interface thread. Only the
 * continuation positions of WsprintfEx and WstrcatEx are kept per thread.
 */
#ifndef VAULTKEEPLIB_H
#define VAULTKEEPLIB_H

#include <stddef.h>
#include <stdint.h>
#ifdef __cplusplus
/* char16_t is a keyword in C++ */
#else
#include <uchar.h>
#endif

#if defined(_WIN32)
#  if defined(VK_BUILDING_LIBRARY)
#    define VK_API __declspec(dllexport)
#  else
#    define VK_API __declspec(dllimport)
#  endif
#else
#  define VK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Handles --------------------------------------------------------------
 * VKHMODULE: a deliverable's resources (string table, dialog templates).
 * VKHWND:    a window or control of the UI layer.
 * Both are opaque. */
typedef struct VKModule *VKHMODULE;
typedef struct VKWindow *VKHWND;

/* ---- Modules --------------------------------------------------------------
 * VKGetLibraryModule: the library's own module (its string table and dialogs).
 *
 * A program that keeps its texts in a numbered string table of its own makes a
 * module for it with VKCreateStringModule and passes that handle to
 * LMGetString and LMSetDialogText. The entries are copied; the table may be
 * freed after the call. Ids must be unique; id 0 is never looked up.
 * VKFreeModule releases a module made by VKCreateStringModule (the library's
 * own module is never freed). */
typedef struct VKStringEntry {
    uint32_t id;
    const char16_t *text;
} VKStringEntry;

VK_API VKHMODULE VKGetLibraryModule(void);
VK_API VKHMODULE VKCreateStringModule(const VKStringEntry *entries, size_t count);
VK_API void VKFreeModule(VKHMODULE module);

/* ---- Resource strings and bounded formatting ------------------------------
 * LMGetString: the text of string `id` of `module`, from a ring of 100 slots;
 * valid until 100 further calls. Id 0 gives "". The first missing id of a
 * process is reported once in a system-modal box and comes back as "Missing";
 * later missing ids come back empty. Texts longer than 1,023 characters are cut.
 *
 * LMSetDialogText: sets the title (titleId != 0) and control texts of a
 * dialog from `pairs`: control id, string id, ... ended by a control id <= 0.
 *
 * WsprintfEx / WstrcatEx: printf-style formatting into `dest` bounded by `size`
 * characters (always NUL-terminated, cut when too long). Directives: %s (UTF-16
 * string), %d %i %u %x %X %c %%, flags - + 0 space #, widths and precisions,
 * and the size prefixes h l ll I64. WsprintfEx with dest NULL continues where
 * this thread's last WsprintfEx ended; WstrcatEx formats at `position` (NULL:
 * where this thread's last WstrcatEx ended) within a buffer of `size`
 * characters that starts at `dest`. Both return dest, or an error text when
 * size is 0 or above 2,147,483,647. *lengthOut receives the length written.
 *
 * BuildOFNFilter: a file-dialog filter list "desc (pattern)\0pattern\0...\0"
 * from `pairCount` (>= 1) pairs of description and pattern. */
VK_API const char16_t *LMGetString(VKHMODULE module, uint32_t id);
VK_API void LMSetDialogText(VKHMODULE module, VKHWND dialog, uint32_t titleId, const int32_t *pairs);
VK_API char16_t *WsprintfEx(char16_t *dest, size_t size, size_t *lengthOut, const char16_t *format, ...);
VK_API char16_t *WstrcatEx(char16_t *dest, char16_t *position, size_t size, size_t *lengthOut,
                           const char16_t *format, ...);
VK_API const char16_t *BuildOFNFilter(const char16_t *const *pairs, int pairCount);

/* ---- Installation folders --------------------------------------------------
 * VKGetTalvernDir: the installation folder for a directory code, ending in the
 * path separator, or NULL for a code that names no folder. Read once when the
 * library loads, from the registry source (see README: the file named by the
 * environment variable VAULTKEEP_REGISTRY, else /etc/vaultkeep/registry.reg).
 * InstallVarDefs: the variable-definition step; returns at once. */
enum VKDirCode {
    DirBin = 12,
    DirData = 13,
    DirSpool = 14,
    DirTemp = 15,
    DirConfig = 16,
    DirFax = 17,
    DirFormat = 18,
    DirLang = 19,
    DirSim = 32,
    DirScript = 33,
    DirBackup = 35
};

VK_API const char16_t *VKGetTalvernDir(int code);
VK_API void InstallVarDefs(void);

/* ---- Status codes ------------------------------------------------------------
 * Every item call returns one of these; "Backup.why" records them.
 * VKStatusToText: the text of a code (never NULL, never to be freed). */
enum VKStatus {
    StatusOk = 0,
    StatusFailed = 1,
    StatusCancelled = 2,
    StatusSkipOne = 3,
    StatusSkipAll = 4,
    StatusInvalidBackupType = 5,
    StatusNoSourceFile = 6,
    StatusDestinationExists = 7,
    StatusDestinationNewer = 8,
    StatusWindowsError = 9,
    StatusAccessDenied = 10,
    StatusIniFail = 11,
    StatusNotTranslated = 13,
    StatusDescribed = 14
};

VK_API const char16_t *VKStatusToText(int code);

#ifdef __cplusplus
}
#endif

#endif /* VAULTKEEPLIB_H */
