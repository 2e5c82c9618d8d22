// The registry source on Linux: the export file named by VAULTKEEP_REGISTRY,
// else /etc/vaultkeep/registry.reg.
#include <cstdlib>

#include "platform/fs/fs.h"
#include "platform/registry/registry.h"
#include "platform/text/text.h"

namespace vk::registry {

std::u16string SourcePath() {
    const char *env = std::getenv("VAULTKEEP_REGISTRY");
    if (env && *env) return vk::text::FromUtf8(env);
    return u"/etc/vaultkeep/registry.reg";
}

bool OpenKey(std::u16string_view keyPath, RegKey &key) {
    key = RegKey{};
    std::string bytes;
    if (!vk::fs::ReadWhole(SourcePath(), bytes)) return false;
    return OpenKeyIn(bytes, keyPath, key);
}

} // namespace vk::registry
