// vaultkeep: the program's entry point.
//
// For now the program shows the installation folders the library read from the
// registry source. The configuration backup and restore runs are added with
// the backup engine.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/shell/allocation_warning.h"
#include "platform/text/text.h"
#include "vaultkeeplib.h"

namespace {

struct FolderName {
    int code;
    const char *name;
};

constexpr FolderName kFolders[] = {
    {DirBin, "BinDir"},       {DirConfig, "ConfigDir"}, {DirFormat, "FormatDir"}, {DirData, "DataDir"},
    {DirTemp, "TempDir"},     {DirSpool, "SpoolDir"},   {DirFax, "FaxDir"},       {DirLang, "LangDir"},
    {DirSim, "SimDir"},       {DirScript, "ScriptDir"}, {DirBackup, "BackupDir"},
};

} // namespace

int main() {
    vk::app::InstallAllocationWarning();
    const char *source = std::getenv("VAULTKEEP_REGISTRY");
    std::printf("Vaultkeep: Talvern installation folders (registry source %s)\n",
                source && *source ? source : "/etc/vaultkeep/registry.reg");
    bool any = false;
    for (const auto &f : kFolders) {
        const std::string dir = vk::text::ToUtf8(vk::text::View(VKGetTalvernDir(f.code)));
        any = any || !dir.empty();
        std::printf("  %-10s (%2d)  %s\n", f.name, f.code, dir.empty() ? "(not set)" : dir.c_str());
    }
    if (!any) {
        std::printf("No installation was found in the registry source.\n");
        return 1;
    }
    std::printf("Configuration backup and restore runs come with the backup engine; nothing was backed up.\n");
    return 0;
}
