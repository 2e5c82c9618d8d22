#include "tests/lib/tools/tools_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "common/file_helpers.h"
#include "lib/engine/archive_entries.h"
#include "lib/engine/job_report.h"
#include "lib/services/directories.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"

namespace vk::toolstest {

using vk::test::N;
using vk::test::U;

void ToolsTest::SetUp() {
    const char *v = std::getenv("VAULTKEEP_REGISTRY");
    hadRegistry_ = v != nullptr;
    savedRegistry_ = v ? v : "";
    savedDialogs_ = vk::tools::ToolDialogHooks();
    vk::ui::ResetUiState();
    vk::ui::ClearShownLog();
    vk::ui::ClearAnswers();
    vk::engine::SetReportViewer([](std::u16string_view) { return true; });
}

void ToolsTest::TearDown() {
    vk::tools::ToolDialogHooks() = savedDialogs_;
    vk::engine::SetReportViewer({});
    vk::ini::Flush(nullptr);
    vk::ini::Forget(nullptr);
    if (hadRegistry_) ::setenv("VAULTKEEP_REGISTRY", savedRegistry_.c_str(), 1);
    else ::unsetenv("VAULTKEEP_REGISTRY");
    vk::lib::LoadDirectories();
    vk::ui::ClearAnswers();
    vk::ui::ResetUiState();
}

std::string ToolsTest::MakeDemo(const std::string &name) {
    const std::string target = tmp.path() + name;
    const std::string command =
        "bash '" + std::string(VK_SOURCE_DIR) + "/demo/make-installation.sh' '" + target + "' >/dev/null 2>&1";
    if (vk::test::Shell(command) != 0) ADD_FAILURE() << "demo installation not made: " << command;
    return target + "/";
}

void ToolsTest::Use(const std::string &root) {
    ::setenv("VAULTKEEP_REGISTRY", (root + "registry.reg").c_str(), 1);
    vk::lib::LoadDirectories();
}

std::u16string ToolsTest::Ini(const std::string &name, const std::string &text) {
    vk::test::WriteFile(tmp.file(name), text);
    vk::ini::Forget(tmp.ufile(name).c_str());
    return tmp.ufile(name);
}

std::string ToolsTest::Value(const std::u16string &file, const char *section, const char *key) {
    char16_t buffer[1024] = {};
    vk::ini::GetString(U(section).c_str(), U(key).c_str(), u"", buffer, 1024, file.c_str());
    return N(buffer);
}

void ToolsTest::InstallModule(const std::string &root, const std::string &software) {
    std::error_code ec;
    std::filesystem::copy_file(std::string(VK_BINARY_DIR) + "/bin/testacq32.dll", root + "bin/" + software + "32.dll",
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) ADD_FAILURE() << "test module not copied: " << ec.message();
}

ScratchJob::ScratchJob(const vk::test::TempFolder &tmp, bool restore) {
    job.flags = restore ? VKF_RESTORE : VKF_BACKUP;
    job.workFolder = tmp.upath();
    job.name = u"scratch";
    job.metadataPath = tmp.ufile("Backup.why");
    // A backup collects its file items for an archive (never written here).
    if (!restore) job.archivePath = tmp.ufile("scratch.vkb");
    vk::CreateEmptyTextFile(job.metadataPath.c_str());
}

bool ScratchJob::Archived(const char16_t *entry) { return vk::engine::ArchiveHasEntry(job, entry); }

} // namespace vk::toolstest
