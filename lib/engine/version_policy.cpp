// The version check of a file restore and the policy for files that carry
// no version (section "NonVersionedFileRestore" of the library's settings).
#include <memory>

#include "common/format.h"
#include "common/memory.h"
#include "lib/engine/file_items.h"
#include "lib/engine/file_items_internal.h"
#include "lib/engine/paths.h"
#include "lib/services/directories.h"
#include "lib/services/profile.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"
#include "platform/version/version.h"

namespace vk::engine {
namespace {

constexpr char16_t kPolicySection[] = u"NonVersionedFileRestore";
constexpr uint32_t kAskStringId = 3056;     // "File %s exists, overwrite?"
constexpr uint32_t kAskCaptionId = 7716;    // "Verify to continue"
constexpr size_t kAskTextChars = 1020;      // 1,019 characters and the terminator

struct BlockDeleter {
    void operator()(char16_t *block) const { vk::FreeBlock(block); }
};

std::u16string ReadPolicy(const std::u16string &key) {
    const std::u16string &settings = vk::lib::SettingsIniPath();
    std::unique_ptr<char16_t, BlockDeleter> value(
        vk::lib::ReadProfileAlloc(kPolicySection, key.c_str(), settings.c_str()));
    return value ? std::u16string(value.get()) : std::u16string();
}

// The policy value for a file name: its own key first, then "*.<extension>".
std::u16string PolicyFor(std::u16string_view fileName) {
    std::u16string value = ReadPolicy(std::u16string(fileName));
    if (!value.empty()) return value;
    const std::u16string_view extension = Extension(fileName);
    if (extension.size() < 2) return value; // no extension, or a bare '.'
    return ReadPolicy(u"*" + std::u16string(extension));
}

bool AskOverwrite(const BackupJob &job, std::u16string_view destination) {
    VKHMODULE module = VKGetLibraryModule();
    char16_t text[kAskTextChars];
    const std::u16string path(destination);
    vk::FormatBounded(text, kAskTextChars, LMGetString(module, kAskStringId), path.c_str());
    const std::u16string caption(vk::text::View(LMGetString(module, kAskCaptionId)));
    return vk::ui::MessageBox(job.owner, text, caption, vk::ui::kMbYesNo | vk::ui::kMbIconQuestion) ==
           vk::ui::kIdYes;
}

// Neither file has a version: the policy decides.
bool NonVersionedAllowed(const BackupJob &job, std::u16string_view destination) {
    switch (NonVersionedPolicy(destination)) {
    case NonVersionedChoice::Keep: return false;
    case NonVersionedChoice::Ask: return AskOverwrite(job, destination);
    case NonVersionedChoice::Overwrite: break;
    }
    return true;
}

// The version of a file for the check, without keeping the file in the ini
// cache afterwards: a restore reads databases and programs of many megabytes
// this way, and a parsed copy of each would stay for the rest of the process.
// Pending writes reach the disk first, so dropping the cached copy loses
// nothing.
uint64_t CheckedVersionOf(std::u16string_view path) { return vk::version::ReadFileVersion(path, false); }

} // namespace

uint64_t FileVersion(std::u16string_view path) { return vk::version::ReadFileVersion(path); }

uint64_t CheckedVersion(std::u16string_view path) { return CheckedVersionOf(path); }

NonVersionedChoice NonVersionedPolicy(std::u16string_view destination) {
    const std::u16string policy = PolicyFor(FileName(destination));
    if (vk::text::EqualNoCase(policy, u"DoNotOverwrite")) return NonVersionedChoice::Keep;
    if (vk::text::EqualNoCase(policy, u"Ask")) return NonVersionedChoice::Ask;
    // Empty, "Overwrite" and every unknown value overwrite.
    return NonVersionedChoice::Overwrite;
}

bool RestoreAllowed(const BackupJob &job, std::u16string_view source, std::u16string_view destination) {
    if (!vk::fs::Exists(destination)) return true;
    // Files that must come back as they were (an undo archive) replace
    // their installed copies whatever the versions say.
    if (job.flags & VKF_ANY_VERSION) return true;
    const uint64_t sourceVersion = CheckedVersionOf(source);
    const uint64_t destinationVersion = CheckedVersionOf(destination);
    if (sourceVersion == 0) {
        // An unversioned file never replaces a versioned one.
        if (destinationVersion != 0) return false;
        return NonVersionedAllowed(job, destination);
    }
    if (destinationVersion == 0) return true;
    // Compared as the unsigned numbers they are: a major part of 32768 or
    // more is a higher version, not a negative one.
    return sourceVersion >= destinationVersion;
}

} // namespace vk::engine
