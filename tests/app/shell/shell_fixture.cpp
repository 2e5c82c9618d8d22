#include "tests/app/shell/shell_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/shell/app_state.h"
#include "app/shell/backup_page.h"
#include "app/shell/backup_run.h"
#include "app/shell/restore_run.h"
#include "app/shell/settings.h"
#include "platform/ini/ini.h"
#include "tests/support/test_support.h"

namespace vk::test {
namespace {

// Not "VK_...": Wine does not hand such variables to Windows programs.
constexpr char kDemoVariable[] = "VAULTKEEP_SHELL_TEST_DEMO";
// An existing installation to run on instead of a fresh copy, for pictures of
// the window (scripts/screenshots.sh). Its registry file must be the one in
// VAULTKEEP_REGISTRY; it is kept when the program ends.
constexpr char kInstallationVariable[] = "VAULTKEEP_SHELL_TEST_INSTALLATION";

void RemoveDemo() {
    const char *dir = std::getenv(kDemoVariable);
    std::error_code ec;
    if (dir && *dir) std::filesystem::remove_all(dir, ec);
}

// This program's arguments, read back from the system.
std::vector<std::string> OwnArguments() {
    std::ifstream f("/proc/self/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    for (size_t at = 0; at < all.size();) {
        const size_t end = all.find('\0', at);
        args.push_back(all.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return args;
}

// First start: make the copy and start again with its registry file, so that
// the library loads with the demo's folders. Second start: remove the copy
// when the program ends.
std::string PrepareDemo() {
    if (const char *dir = std::getenv(kInstallationVariable); dir && *dir) {
        std::string root(dir);
        if (root.back() != '/') root += '/';
        return root;
    }
    if (const char *dir = std::getenv(kDemoVariable); dir && *dir) {
        std::atexit(&RemoveDemo);
        return std::string(dir) + "/inst/";
    }
    const char *tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/vk-shell-test.XXXXXX";
    if (!::mkdtemp(folder.data())) return {};
    const std::string make = "bash '" + std::string(VK_SOURCE_DIR) + "/demo/make-installation.sh' '" + folder +
                             "/inst' >/dev/null";
    if (vk::test::Shell(make) != 0) return {};
    ::setenv(kDemoVariable, folder.c_str(), 1);
    ::setenv("VAULTKEEP_REGISTRY", (folder + "/inst/registry.reg").c_str(), 1);
    std::vector<std::string> args = OwnArguments();
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv("/proc/self/exe", argv.data());
    return {}; // not reached unless the new start failed
}

std::string &StartFolder() {
    static std::string folder = std::filesystem::current_path().string();
    return folder;
}

} // namespace

const std::string &DemoRoot() {
    static const std::string root = PrepareDemo();
    return root;
}

// Made before any test runs (and before main).
static const bool kDemoPrepared = !DemoRoot().empty();

void ShellTest::SetUp() {
    ASSERT_TRUE(kDemoPrepared) << "no demo installation";
    StartFolder();
    ui::ResetUiState();
    ui::InstallBackend(nullptr);
    ui::ClearShownLog();
    app::FreeItemLists(app::ProgramItemLists());
    app::ResetState();
    app::PageState() = app::BackupPageState{};
    app::RestoreCounts() = app::RestoreCounters{};
    app::WarningsWanted() = true;
    std::filesystem::current_path(DemoRoot() + "bin");
    // No test starts with a selection an earlier test kept.
    ini::WriteString(u"BackupSelection", nullptr, nullptr, U(DemoRoot() + "bin/vaultkeep.ini").c_str());
}

void ShellTest::TearDown() {
    app::CleanUp();
    ui::ResetUiState();
    std::filesystem::current_path(StartFolder());
}

app::StartUpResult ShellTest::Start(const std::string &commandLine) {
    app::StartOptions options;
    options.requireDisplay = false;
    return app::StartUp(U(commandLine), options);
}

std::vector<std::string> ShellTest::Boxes() const {
    std::vector<std::string> texts;
    for (const ui::Shown &s : ui::ShownLog())
        if (s.what == ui::Shown::What::Box) texts.push_back(N(s.text));
    return texts;
}

} // namespace vk::test
