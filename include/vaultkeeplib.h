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


/* ---- Backup and restore jobs ------------------------------------------------
 * A job is opened by VKBackupInit or VKRestoreInit, takes any number of item
 * calls (VKBackup / VKRestore) and is closed, and freed, by the matching Close
 * call whatever happened. The handle is opaque.
 *
 * ProgressProc: called on the caller's thread with (code, value, text):
 *   0 Init succeeded (text: archive path)      1 archive work starts (text: entry count)
 *   2 an entry was zipped or unpacked (text: entry name; on restore jobs the
 *     destination path)                        3 a folder entry (text: name)
 *   4 archive progress (text: e.g. "42%")      5 archive summary line
 *   6 restore: work folder   7 restore: services file   8 restore: tools file
 *   9 a file copy ended (value: status code, text: path); a nonzero answer lets
 *     the library show its error dialog for a failure
 *   10 restore: value points at the 64-bit file time of "BackupDate"
 *   11 restore: one ini item of the archive (value points at its type name,
 *      text: section or "section,key")
 *   12 restore: value points at the 64-bit file time of "AppendDate"
 *   13 restore: an entry could not be unpacked (damaged data, CRC error) or
 *      was refused (text: the entry's name as stored); the library shows its
 *      own box for it too, unless the job is VKF_QUIET
 * Only the answer to code 9 matters.
 *
 * cancelFlag: the caller's stop flag, read before every item and after every
 * archive event; nonzero stops the job. */
typedef struct BackupJob BackupJob;
typedef int (*ProgressProc)(int code, intptr_t value, const char16_t *text);

/* Job flags. The caller passes VKF_REPORT, VKF_OVERWRITE, VKF_PROGRESS_WINDOW,
 * VKF_QUIET, VKF_APPEND_SERVICES, VKF_ANY_VERSION and VKF_CONFIRMED; the
 * library sets the others.
 * VKF_ANY_VERSION (restore): every file replaces its installed copy whatever
 *   the versions say; for archives that hold what was installed before (the
 *   undo archive of a restore), which must come back even when older.
 * VKF_CONFIRMED (restore): the caller has confirmed the restore already; a
 *   version-7 archive does not ask "Restore configuration from Talvern 7?". */
#define VKF_BACKUP 0x1u
#define VKF_RESTORE 0x2u
#define VKF_REPORT_DUE 0x4u
#define VKF_REPORT 0x20u
#define VKF_OVERWRITE 0x40u
#define VKF_PROGRESS_WINDOW 0x80u
#define VKF_QUIET 0x100u
#define VKF_PLAIN_SOURCE 0x200u
#define VKF_APPEND_SERVICES 0x8000u
#define VKF_ANY_VERSION 0x100000u
#define VKF_CONFIRMED 0x200000u

/* Item types of VKBackup and VKRestore. 1003..1023 are the ini section types
 * of the main properties file (see VKTypeFromDesc); 2000..7999 are file
 * classes whose thousands digit names the home folder. */
enum VKItemType {
    VK_ITEM_SERVICE = 1000,
    VK_ITEM_TOOL = 1001,
    VK_ITEM_FILE = 1002, /* a file whose class is worked out from its name */
    VK_ITEM_COLOR_MAPS = 1003,
    VK_ITEM_PRINTERS = 1004,
    VK_ITEM_PREFERENCES = 1005,
    VK_ITEM_ACQUISITION = 1006,
    VK_ITEM_TRACER = 1007,
    VK_ITEM_PLOT = 1008,
    VK_ITEM_HEADING = 1009,
    VK_ITEM_POWER_MONITOR = 1010,
    VK_ITEM_WAVEFORM = 1011,
    VK_ITEM_DEPTH = 1012,
    VK_ITEM_UNIT_MAPS = 1013,
    VK_ITEM_MATH_PACK = 1014,
    VK_ITEM_NOISE = 1015,
    VK_ITEM_PIPE_TALLY = 1016,
    VK_ITEM_TVD = 1017,
    VK_ITEM_CRITICAL_FILES = 1018,
    VK_ITEM_HOTKEYS = 1019,
    VK_ITEM_COMPANY_INFO = 1020,
    VK_ITEM_DEVICE_ALIAS = 1021,
    VK_ITEM_WMEMORY = 1022,
    VK_ITEM_JOB_PLAN = 1023,
    VK_ITEM_MAIN_INI = 1999,     /* the main properties file, as ini items */
    VK_CLASS_BIN_FIRST = 2000,   /* program files: 2000..2004, 2999 */
    VK_CLASS_BIN_OTHER = 2999,
    VK_CLASS_DATABASE = 3000,    /* databases below the data folder */
    VK_CLASS_DATA_OTHER = 3999,
    VK_CLASS_CONFIG_FIRST = 4000,
    VK_CLASS_CONFIG_INI = 4001,
    VK_CLASS_CONFIG_OTHER = 4999,
    VK_CLASS_FORMAT_FIRST = 5000,
    VK_CLASS_FORMAT_OTHER = 5999,
    VK_CLASS_SCRIPT = 6000,
    VK_CLASS_SCRIPT_OTHER = 6999,
    VK_CLASS_SIM = 7000,
    VK_CLASS_SIM_OTHER = 7999,
    VK_ITEM_UNCLASSIFIED = 99999
};

/* path: the archive, a folder ending in '/' (the Save/Open dialog opens there),
 * or NULL (the dialog opens in the backup folder). extensions: ";"-separated
 * archive extensions, NULL for ".vkb". commandText may hold "-Comment 'text'". */
VK_API BackupJob *VKBackupInit(VKHWND owner, uint32_t flags, uint32_t extraFlags, const char16_t *path,
                               const char16_t *extensions, ProgressProc progress, int32_t *cancelFlag,
                               const char16_t *commandText);
/* Returns a status code (StatusOk on success). Files use path; ini items name
 * (section), key (or NULL for the whole section) and path (the ini file). */
VK_API int VKBackup(BackupJob *job, int32_t type, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *name,
                    const char16_t *key, const char16_t *path);
/* Nonzero when the archive was written. Frees the job. */
VK_API int VKBackupClose(BackupJob *job);

VK_API BackupJob *VKRestoreInit(VKHWND owner, uint32_t flags, uint32_t extraFlags, const char16_t *path,
                                const char16_t *extensions, ProgressProc progress, int32_t *cancelFlag);
VK_API int VKRestore(BackupJob *job, int32_t type, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *name,
                     const char16_t *key, const char16_t *path);
/* 1 when the work folder was removed (or handed over to a backup). Frees the job. */
VK_API int VKRestoreClose(BackupJob *job);
/* The path of the results report that the last VKBackupClose or VKRestoreClose
 * of this process wrote; "" when that call wrote none (or none was closed yet).
 * The string belongs to the library and stays valid until the next Close. */
VK_API const char16_t *VKLastResultsReport(void);

/* ---- Restore preview -----------------------------------------------------------
 * VKRestoreFileView: what VKRestore would do with one file item of an open
 * restore job, without copying, recording or asking anything. type and path
 * as for VKRestore (1002 classifies the path; the destination path that
 * progress code 2 announced names the entry). Fills *view and returns 1; 0
 * for a null job or view or a type that names no file.
 *   state:  how the installed copy stands against the archived one:
 *           VK_VIEW_MISSING (no installed copy), VK_VIEW_OLDER, VK_VIEW_EQUAL,
 *           VK_VIEW_NEWER, or VK_VIEW_NOT_IN_ARCHIVE. Versions decide when
 *           either file has one; unversioned files are equal when their
 *           contents are, else the later modification time is the newer.
 *   action: VK_ACTION_COPY (the file would be copied), VK_ACTION_KEEP (the
 *           version policy keeps the installed copy: status 8), VK_ACTION_ASK
 *           (the non-versioned policy would ask), VK_ACTION_SKIP (not restored
 *           at all: status says why, e.g. 3, 6 or 13).
 *   status: the status VKRestore would return without copying (0 for COPY
 *           and ASK). */
enum VKViewState {
    VK_VIEW_MISSING = 0,
    VK_VIEW_OLDER = 1,
    VK_VIEW_EQUAL = 2,
    VK_VIEW_NEWER = 3,
    VK_VIEW_NOT_IN_ARCHIVE = 4
};
enum VKViewAction { VK_ACTION_COPY = 0, VK_ACTION_KEEP = 1, VK_ACTION_ASK = 2, VK_ACTION_SKIP = 3 };

typedef struct VKFileView {
    int32_t fileClass;           /* the item's file class */
    int32_t state;               /* VKViewState */
    int32_t action;              /* VKViewAction */
    int32_t status;              /* see above */
    uint64_t archivedVersion;    /* 0: unversioned */
    uint64_t installedVersion;   /* 0: unversioned or missing */
    char16_t destination[1024];  /* where the file would go (cut when longer) */
} VKFileView;

VK_API int VKRestoreFileView(BackupJob *job, int32_t type, const char16_t *path, VKFileView *view);

/* The ini section type of a description ("Color Maps" -> 1003, ...), compared
 * without regard to case; 99999 for anything else and for NULL. */
VK_API int32_t VKTypeFromDesc(const char16_t *description);
/* Copies section "prefix-sourceName" of sourceFile to "prefix-destName" of
 * destFile: the destination section is emptied first; keys with empty values
 * are not copied. Returns 0 once the copy is on disk, StatusIniFail (11) when
 * it could not be written (destFile is then as it was). Called inside a
 * VKBackup or VKRestore item, the copy reaches the disk with that item. */
VK_API int XferIniKey(const char16_t *prefix, const char16_t *sourceName, const char16_t *sourceFile,
                      const char16_t *destName, const char16_t *destFile);

/* ---- Tool tree ---------------------------------------------------------------
 * The tool database (tools.ini) shown in a tree-view control of the UI layer:
 * kind roots ("Logging Tools", "Accessory Tools", "TCP" when the installation
 * uses tubing-conveyed tools), categories, tools, models ("model (description)")
 * and serial numbers.
 *
 * Every item made by these calls carries, as its item parameter, a pointer to
 * a ToolTreeItemData block (read it with VKTreeGetItem: info.param). The block
 * belongs to the item: a program that fills a tree with these calls must call
 * FreeTreeParam from its handling of the tree's item-deletion notification
 * (the onDelete procedure of VKCreateTreeWindow does exactly that when it is
 * given). Filling empties the tree first, so the old items' notifications
 * arrive during FillToolTree.
 *
 * FillToolTree: empties the tree and builds it from toolsFile; writes the kind
 *   roots through the three pointers (each may be NULL; NULL is written for a
 *   kind not shown). Only the tree filled last in a process can be extended
 *   with AddAToolToTree.
 * AddAToolToTree: adds one entry (kind 1..3; a serial number for kinds 1 and 2,
 *   a model for kinds 2 and 3), sorts and selects it; nonzero when an item was
 *   selected, 0 when nothing was inserted (the serial number was there already,
 *   no serial number or model was given, a kind outside 1..3).
 * FindToolInTree: finds the tool, then `label` below it (an empty label: the
 *   tool itself), selects and returns what it found; NULL when the tool is not
 *   in the tree.
 * FindTextInTree: searches `start`, its descendants and the items after it for
 *   an item whose text equals `text` (case ignored) and whose kind is
 *   kindFilter (negative: any kind). *found must be NULL on entry (otherwise
 *   the call returns nonzero at once); nonzero when *found holds an item.
 * FreeTreeParam: releases the block of the item named by an item-deletion
 *   notification (the `deletionNotification` given to the onDelete procedure);
 *   other notifications are ignored. */
typedef struct VKTreeItem *VKHTREEITEM;

typedef struct ToolTreeItemData {
    int32_t categoryMark;    /* 1 on a category item, else 0 */
    char16_t toolName[256];  /* tool name (category: the tool that made it, or empty) */
    char16_t serialNumber[256];
    char16_t model[256];
    int32_t kind;            /* 1 logging tool, 2 accessory, 3 tubing-conveyed */
} ToolTreeItemData;

VK_API void FillToolTree(VKHWND tree, const char16_t *toolsFile, VKHTREEITEM *loggingRoot, VKHTREEITEM *accessoryRoot,
                         VKHTREEITEM *tcpRoot);
VK_API int AddAToolToTree(VKHWND tree, int kind, const char16_t *tool, const char16_t *model, const char16_t *serial,
                          const char16_t *category, const char16_t *toolsFile);
VK_API VKHTREEITEM FindToolInTree(VKHWND tree, const char16_t *tool, const char16_t *label);
VK_API int FindTextInTree(VKHWND tree, const char16_t *text, VKHTREEITEM start, VKHTREEITEM *found, int kindFilter);
VK_API void FreeTreeParam(VKHWND tree, const void *deletionNotification);

/* ---- Tree windows for programs ----------------------------------------------
 * A program that shows a tool tree makes its tree-view window with these calls.
 *
 * VKUseDisplay: when a display is present (DISPLAY, WAYLAND_DISPLAY or
 *   QT_QPA_PLATFORM is set; on Windows: an interactive session), loads the
 *   window renderer (libvkui_qt.so, on Windows vkui_win32.dll, from the
 *   program's folder) so that windows are shown; 1 when they are, 0 when the
 *   program stays headless (windows exist and work, but are not shown).
 *   VKCloseDisplay undoes it before the program ends.
 * VKCreateTreeWindow: a top-level window titled `title`, width x height
 *   pixels, holding one tree-view control that fills its client area (the
 *   window less its caption and borders; with check boxes when
 *   checkBoxes is nonzero); returns the tree control. Every item the tree
 *   deletes is announced to onDelete(tree, deletionNotification, context)
 *   while the item is still readable; pass the notification to FreeTreeParam.
 *   onDelete may be NULL.
 * VKRunTreeWindow: shows the window and serves it until the user closes it;
 *   the window is destroyed then (its items are deleted and announced). On a
 *   headless run the window is destroyed at once. Returns 0.
 * VKDestroyTreeWindow: destroys the window of a tree (items announced).
 * VKTreeNext: walks the items: VK_TREE_ROOT (item ignored), VK_TREE_CHILD,
 *   VK_TREE_NEXT, VK_TREE_PREVIOUS, VK_TREE_PARENT, VK_TREE_CARET (the
 *   selected item, item ignored). NULL when there is none.
 * VKTreeGetItem: copies an item's text (cut to 255 characters), images, check
 *   state (0 none, 1 unchecked, 2 checked), parameter and expanded flag; 1 on
 *   success, 0 for an item that is not in the tree.
 * VKTreeExpandAll: expands every item (so that the window shows them all).
 * VKSaveWindowPicture: writes a PNG picture of the window that holds
 *   `window`; 1 when written (needs VKUseDisplay). */
enum VKTreeWalk {
    VK_TREE_ROOT = 0,
    VK_TREE_CHILD = 1,
    VK_TREE_NEXT = 2,
    VK_TREE_PREVIOUS = 3,
    VK_TREE_PARENT = 4,
    VK_TREE_CARET = 9
};

typedef struct VKTreeItemInfo {
    char16_t text[256];
    int32_t image;
    int32_t selectedImage;
    int32_t state;
    intptr_t param;
    int32_t expanded;
} VKTreeItemInfo;

typedef void (*VKTreeDeleteProc)(VKHWND tree, const void *deletionNotification, void *context);

VK_API int VKUseDisplay(void);
VK_API void VKCloseDisplay(void);
VK_API VKHWND VKCreateTreeWindow(const char16_t *title, int width, int height, int checkBoxes,
                                 VKTreeDeleteProc onDelete, void *context);
VK_API int VKRunTreeWindow(VKHWND tree);
VK_API void VKDestroyTreeWindow(VKHWND tree);
VK_API VKHTREEITEM VKTreeNext(VKHWND tree, VKHTREEITEM item, int walk);
VK_API int VKTreeGetItem(VKHWND tree, VKHTREEITEM item, VKTreeItemInfo *info);
VK_API void VKTreeExpandAll(VKHWND tree);
VK_API int VKSaveWindowPicture(VKHWND window, const char *pngPath);

#ifdef __cplusplus
}
#endif

#endif /* VAULTKEEPLIB_H */
