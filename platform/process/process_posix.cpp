// Viewer start through xdg-open, without a shell.
#include "platform/process/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/text/text.h"

extern char **environ;

namespace vk::process {

namespace {

// How long the start of a viewer is waited for. xdg-open normally hands the
// file to the viewer and ends at once; when it stays (it runs the viewer
// itself), it is reaped in the background.
constexpr auto kStartWait = std::chrono::milliseconds(2000);

void ToStandardError(std::u16string_view what) {
    const std::string line = vk::text::ToUtf8(what) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

bool StartOpener(const std::string &argument) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::string program = "xdg-open";
    std::string arg = argument;
    char *argv[] = {program.data(), arg.data(), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;

    const auto deadline = std::chrono::steady_clock::now() + kStartWait;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (r < 0) return errno == ECHILD; // reaped elsewhere (SIGCHLD ignored): assume started
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Still running: the viewer is up; reap the opener when it ends.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

bool Open(std::u16string_view target) {
    if (target.empty()) return false;
    if (DisplayPresent() && StartOpener(vk::text::ToUtf8(target))) return true;
    ToStandardError(target);
    return false;
}

} // namespace

bool DisplayPresent() {
    const char *headless = std::getenv("VAULTKEEP_HEADLESS");
    if (headless && *headless) return false;
    const char *x = std::getenv("DISPLAY");
    const char *w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}

bool OpenInViewer(std::u16string_view path) { return Open(path); }

bool OpenUrl(std::u16string_view url) { return Open(url); }

std::vector<std::string> ProgramArguments() {
    std::vector<std::string> args;
    std::FILE *f = std::fopen("/proc/self/cmdline", "rb");
    if (!f) return args;
    std::string current;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        if (c == 0) {
            args.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(static_cast<char>(c));
        }
    }
    std::fclose(f);
    return args;
}

void ConnectStandardStreams() {}

} // namespace vk::process
