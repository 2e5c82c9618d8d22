// The directory table: read from the registry source at load, with the
// fall-backs applied in their fixed order.
#include "lib/services/directories.h"

#include <string_view>

#include "lib/services/profile.h"
#include "platform/fs/fs.h"
#include "platform/registry/registry.h"
#include "vaultkeeplib.h"

namespace vk::lib {

namespace {

struct DirSlot {
    int code;
    const char16_t *valueName;
    char16_t text[kDirCapacity];
};

// In the order the values are read.
DirSlot g_dirs[] = {
    {DirBin, u"BinDir", {}},     {DirConfig, u"ConfigDir", {}}, {DirFormat, u"FormatDir", {}},
    {DirData, u"DataDir", {}},   {DirTemp, u"TempDir", {}},     {DirSpool, u"SpoolDir", {}},
    {DirFax, u"FaxDir", {}},     {DirLang, u"LangDir", {}},     {DirSim, u"SimDir", {}},
    {DirScript, u"ScriptDir", {}}, {DirBackup, u"BackupDir", {}},
};

// Function-local so they exist before the library's load step fills them:
// the load step may run before this file's static initialisers.
std::u16string &ToolsIni() {
    static std::u16string path = u"tools.ini";
    return path;
}
std::u16string &SettingsIni() {
    static std::u16string path = u"vaultkeep.ini";
    return path;
}
int g_toolCategories = 2;

DirSlot *Slot(int code) {
    for (DirSlot &d : g_dirs)
        if (d.code == code) return &d;
    return nullptr;
}

void Set(DirSlot &slot, std::u16string_view value) {
    const size_t n = value.size() < kDirCapacity ? value.size() : 0; // never cut a folder
    value.copy(slot.text, n);
    slot.text[n] = u'\0';
}

// A fall-back copies the source as it stands at that moment.
void FallBack(int code, int from) {
    DirSlot *d = Slot(code);
    if (d->text[0] == u'\0') Set(*d, Slot(from)->text);
}

} // namespace

void LoadDirectories() {
    for (DirSlot &d : g_dirs) d.text[0] = u'\0';

    vk::registry::RegKey key;
    if (vk::registry::OpenKey(kInstallationKey, key)) {
        for (DirSlot &d : g_dirs) {
            d.text[0] = u'\0';
            std::u16string value;
            if (vk::registry::QueryString(key, d.valueName, value, kDirValueLimitBytes)) Set(d, vk::fs::InternalPath(value));
        }
        FallBack(DirFax, DirBin);
        FallBack(DirLang, DirBin);
        FallBack(DirSim, DirBin);
        FallBack(DirScript, DirBin);
        FallBack(DirBackup, DirData);
        DirSlot *temp = Slot(DirTemp);
        if (temp->text[0] == u'\0') Set(*temp, vk::fs::TempDirectory());
    }

    // The derived paths are kept whole: a path cut at 255 characters would
    // name another file.
    const std::u16string config = Slot(DirConfig)->text;
    ToolsIni() = config + u"tools.ini";
    const std::u16string properties = config + u"WProperties.ini";
    g_toolCategories = ProfileGetInt(u"Global", u"TCP", 0, properties.c_str()) != 0 ? 3 : 2;
    SettingsIni() = config + u"vaultkeep.ini";
}

const char16_t *TalvernDir(int code) {
    const DirSlot *d = Slot(code);
    return d ? d->text : nullptr;
}

const std::u16string &ToolsIniPath() { return ToolsIni(); }
const std::u16string &SettingsIniPath() { return SettingsIni(); }
int ToolCategoryCount() { return g_toolCategories; }

} // namespace vk::lib

extern "C" {

VK_API const char16_t *VKGetTalvernDir(int code) { return vk::lib::TalvernDir(code); }

// Nothing to install on this platform; restores of the variable-definition
// file and the tool tree call it after they changed definitions.
VK_API void InstallVarDefs(void) {}

} // extern "C"
