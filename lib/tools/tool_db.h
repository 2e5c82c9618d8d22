// The tool database ("tools.ini") and the service database ("services.ini"):
// reading and writing their lists and sections through the profile layer,
// the classification of tool entries by kind, the tool entries of a service,
// the files that tool and service sections name, and the transfer marks that
// a job keeps in "Backup.why".
//
// Layout of tools.ini:
//   [Tools]                     1=T, 2=...            tool names
//   [<kind>-Categories]         1=C, ...              categories of a kind
//   [T]                         Category=C, 1=S, ...  serial numbers of tool T
//   [T-S]                       Model=M, own data     one serial-numbered tool
//   [T-Models]                  1=M, ...              models of tool T
//   [T-M]                       Description, Available, Container, SubTool<n>
// Numbered lists end at the first missing or empty value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lib/engine/job.h"

namespace vk::tools {

// Room (in characters) of the identifiers read from the databases.
inline constexpr size_t kListNameChars = 38;   // list entries: tools, serials, models, categories
inline constexpr size_t kModelChars = 39;      // a "Model" value, a category, a tool name
inline constexpr size_t kEntryChars = 255;     // a tool entry or device entry of a service
inline constexpr size_t kDescriptionChars = 1023;
inline constexpr size_t kSectionChars = 116;   // a section formed by "%s-%s"

// Tool kinds, as numbered in the kind-name table.
inline constexpr int kKindNone = 0;
inline constexpr int kKindLogging = 1;
inline constexpr int kKindAccessory = 2;
inline constexpr int kKindTcp = 3;
inline constexpr int kKindCount = 4; // rows of the kind-name table

// "None", "Logging Tools", "Accessory Tools", "TCP"; null for any other number.
const char16_t *KindName(int kind);
// "<kind name>-Categories"; "" for a kind outside the table.
std::u16string CategorySection(int kind);

inline constexpr char16_t kToolsSection[] = u"Tools";
inline constexpr char16_t kServiceSection[] = u"Service";
inline constexpr char16_t kLegacyCategories[] = u"Non-Serial Items-Categories";
inline constexpr char16_t kAccessoryCategories[] = u"Accessory tools-Categories";

// --- reading -----------------------------------------------------------------

// A value cut to `chars` characters ("" when missing).
std::u16string ReadValue(std::u16string_view section, std::u16string_view key, std::u16string_view file,
                         size_t chars);
// The whole value, however long.
std::u16string ReadWholeValue(std::u16string_view section, std::u16string_view key, std::u16string_view file);
// The key names of a section (empty when it has none).
std::vector<std::u16string> ReadKeyNames(std::u16string_view section, std::u16string_view file);
bool HasAnyKey(std::u16string_view section, std::u16string_view file);
// The numbered list "1", "2", ... up to the first empty value, each cut to
// `chars` characters.
std::vector<std::u16string> ReadNumberedList(std::u16string_view section, std::u16string_view file,
                                             size_t chars = kListNameChars);

// "%s-%s" of tool and identifier, cut at 116 characters.
std::u16string EntrySection(std::u16string_view tool, std::u16string_view id);
// "%s-Models" of a tool.
std::u16string ModelsSection(std::u16string_view tool);

// True when section [T] has a key "1" (the tool has a serial list).
bool HasSerialList(std::u16string_view tool, std::u16string_view file);

// --- the three append rules ----------------------------------------------------

// First free key ([Tools], category lists, [Service]).
void AddFirstFree(std::u16string_view section, std::u16string_view value, std::u16string_view file);
// Serial list of [T]: the first key whose value equals the serial number
// (without regard to case) or is empty receives it. Returns that key's number.
int AddSerial(std::u16string_view tool, std::u16string_view serial, std::u16string_view file);
// Model list [T-Models]: nothing when a value equals the model; otherwise
// the model goes under key (number of keys + 1).
void AddModel(std::u16string_view tool, std::u16string_view model, std::u16string_view file);

// --- kinds and categories ------------------------------------------------------

// Kind of a serial-numbered entry: from "Available" of its model's section
// (prefix "TCP" 3, prefix "wireline" 2, else 1; no model: 1).
int ClassifySerial(std::u16string_view tool, std::u16string_view serial, std::u16string_view file);
// Kind of a model of [T-Models]: empty "Available" 1, "TCP" anywhere
// (letter case counts) 3, anything else 2.
int ClassifyModel(std::u16string_view tool, std::u16string_view model, std::u16string_view file);
// The kind a copied entry's category is registered under: prefix "TCP" 3,
// prefix "wireline" 2, else 1 (letter case ignored).
int KindOfAvailable(std::u16string_view available);

// True when category C is listed for kind k (never for k >= 4).
bool CategoryListed(int kind, std::u16string_view category, std::u16string_view file);

// Carries a "Non-Serial Items-Categories" section into "Accessory
// tools-Categories" and deletes it. True when there was one.
bool RetireLegacyCategories(std::u16string_view file);

// --- clash test --------------------------------------------------------------

struct Clash {
    bool taken = false;
    int position = 0;        // number of the equal key of [T] (0 when none or not numbered)
    bool modelClash = false; // taken because a model of the tool has that name
};
// Is X taken as a name of tool T in `file`? Every non-empty value of [T]
// (serials and "Category" alike), then T itself; with checkModels also the
// values of [T-Models].
Clash SerialClash(std::u16string_view tool, std::u16string_view x, std::u16string_view file, bool checkModels);

// --- services ------------------------------------------------------------------

struct ToolEntry {
    std::u16string tool; // up to the first ';' and '#', at most 39 characters
    std::u16string id;   // after "serial=" or else "model=", at most 38, cut at ';'
};
// Splits a tool entry of a service ("GR;serial=1234", "GR;model=GR-2", "GR").
ToolEntry ParseToolEntry(std::u16string_view value);
// The tool entries "Tool1", "Tool2", ... of a service (entries whose tool
// name is empty are left out).
std::vector<ToolEntry> ServiceTools(std::u16string_view service, std::u16string_view servicesFile);

// The script file of a device entry: after "script=", leading blanks
// skipped, up to the first ','; "" when the entry names none.
std::u16string ScriptOfDevice(std::u16string_view device);
// 4004 for a ".wwc" script (letter case ignored), else 6000.
int32_t ScriptClass(std::u16string_view script);

// --- file references ------------------------------------------------------------

// Lower-cased, with `extension` appended unless the name holds it.
std::u16string FormatFileName(std::u16string_view value, std::u16string_view extension);
inline constexpr int32_t kClassPresentation = 5000;
inline constexpr int32_t kClassCalReport = 5001;
inline constexpr int32_t kClassDiagram = 5002;
inline constexpr int32_t kClassConfigScript = 4004;
inline constexpr int32_t kClassScript = 6000;

// --- transfer marks ------------------------------------------------------------------

// True when the job's "ToolBk" or "ToolRestore" holds "0" for the entry
// (non-empty and reading as the integer 0). False without a job or metadata.
bool IsTransferred(const BackupJob *job, std::u16string_view entry);
// Writes entry = "0" in the job's tool section.
void MarkTransferred(BackupJob &job, std::u16string_view entry);

// A decimal integer as a C conversion reads it (blanks, sign, digits); 0
// when there is none. *valid tells whether digits were found.
int64_t ReadInteger(std::u16string_view text, bool *valid = nullptr);

} // namespace vk::tools
