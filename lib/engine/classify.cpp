// Classification of a file into its file class: the main properties file,
// then the extension table, then the installation folder it lies in.
#include <array>

#include "lib/engine/file_items.h"
#include "lib/engine/file_items_internal.h"
#include "lib/engine/paths.h"
#include "platform/fs/fs.h"
#include "lib/services/directories.h"
#include "platform/text/text.h"

namespace vk::engine {
namespace {

struct ExtensionClass {
    const char16_t *extension;
    int32_t fileClass;
};

// The host product's file types, tested in this order. An extension matches
// when the file's extension begins with it (".inix" is an ".ini").
constexpr std::array<ExtensionClass, 26> kExtensionTable{{
    {u".tcf", 4000},                                   // unit and panel configuration
    {u".ini", 4001},                                   // settings files
    {u".tbl", 4002}, {u".lst", 4002},                  // tables and lists
    {u".cmp", 4003},                                   // colour maps
    {u".prs", 5000}, {u".bhf", 5000}, {u".xpt", 5000}, // presentations
    {u".wcp", 5001},                                   // calibration report formats
    {u".wtd", 5002},                                   // tool diagrams
    {u".wwc", 4004},                                   // set-up scripts kept with the configuration
    {u".hdr", 5004},                                   // headings
    {u".plt", 5005},                                   // plot formats
    {u".fmt", 5006},                                   // export formats
    {u".lyt", 5007}, {u".lyh", 5007}, {u".lyf", 5007}, // print, header and footer layouts
    {u".crv", 5008},                                   // curve corrections
    {u".sim", 7000},                                   // simulations
    {u".wsc", 6000}, {u".seq", 6000},                  // panel scripts and sequences
    {u".exe", 2002}, {u".dll", 2002},                  // programs
    {u".chm", 2003},                                   // help
    {u".out", 2004},                                   // tool programs
    {u".db", 3000},                                    // databases
}};

struct FolderClass {
    int dirCode;
    int32_t fileClass;
};

// Files outside the table take the class of the installation folder they lie
// in, tested in this order.
constexpr std::array<FolderClass, 6> kFolderRules{{
    {DirConfig, 4999},
    {DirFormat, 5999},
    {DirSim, 7999},
    {DirScript, 6999},
    {DirBin, 2999},
    {DirData, 3999},
}};

} // namespace

bool IsAbsolutePath(std::u16string_view path) { return vk::fs::IsAbsolutePath(path); }

bool IsMainIniName(std::u16string_view name) {
    return vk::text::EqualNoCase(name, kMainIniName) || vk::text::EqualNoCase(name, kPropertiesIniName);
}

std::u16string StoredFileName(std::u16string_view name) {
    if (vk::text::EqualNoCase(name, kMainIniName)) return kPropertiesIniName;
    return std::u16string(name);
}

int32_t ClassifyFile(std::u16string_view path) {
    const std::u16string_view name = FileName(path);
    if (IsMainIniName(name)) return VK_ITEM_MAIN_INI;

    // The extension is taken from the file name, not from the whole path: a
    // folder such as /tmp/vk.1a2b/ must not lend its dot to "SITEKEY".
    const std::u16string_view extension = Extension(name);
    if (extension.empty()) return VK_ITEM_FILE;

    for (const ExtensionClass &entry : kExtensionTable)
        if (vk::text::StartsWithNoCase(extension, entry.extension)) return entry.fileClass;

    for (const FolderClass &rule : kFolderRules) {
        const std::u16string_view folder = vk::text::View(vk::lib::TalvernDir(rule.dirCode));
        // An installation folder that is not defined places nothing (an empty
        // prefix would match every path).
        if (!folder.empty() && vk::text::StartsWithNoCase(path, folder)) return rule.fileClass;
    }
    return VK_ITEM_UNCLASSIFIED;
}

} // namespace vk::engine
