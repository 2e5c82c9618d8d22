// The viewer start and library loading.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/module/loader.h"
#include "platform/process/process.h"
#include "tests/support/test_support.h"

using vk::test::ReadFile;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

namespace {

// Sets environment variables for one test and puts the old values back.
class EnvGuard {
public:
    void Set(const char *name, const char *value) {
        const char *old = std::getenv(name);
        saved_.push_back({name, old ? std::string(old) : std::string(), old != nullptr});
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~EnvGuard() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->had) ::setenv(it->name.c_str(), it->value.c_str(), 1);
            else ::unsetenv(it->name.c_str());
        }
    }

private:
    struct Saved {
        std::string name, value;
        bool had;
    };
    std::vector<Saved> saved_;
};

// A stand-in for xdg-open in its own folder at the front of PATH.
void FakeOpener(const TempFolder &bin, EnvGuard &env, const std::string &body) {
    const std::string script = bin.file("xdg-open");
    WriteFile(script, "#!/bin/sh\n" + body + "\n");
    ::chmod(script.c_str(), 0755);
    const char *path = std::getenv("PATH");
    const std::string newPath = bin.path() + ":" + (path ? path : "/usr/bin:/bin");
    env.Set("PATH", newPath.c_str());
    env.Set("DISPLAY", ":77");
}

} // namespace

TEST(Viewer, WithoutDisplayThePathGoesToStandardError) {
    EnvGuard env;
    env.Set("DISPLAY", nullptr);
    env.Set("WAYLAND_DISPLAY", nullptr);
    EXPECT_FALSE(vk::process::DisplayPresent());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(vk::process::OpenInViewer(u"/tmp/2024.03.05.09.07.03.BackupResults.txt"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "/tmp/2024.03.05.09.07.03.BackupResults.txt\n");
}

TEST(Viewer, StartsTheOpenerWithThePathAsOneArgument) {
    TempFolder bin, out;
    EnvGuard env;
    FakeOpener(bin, env, "printf '%s|%s' \"$#\" \"$1\" > '" + out.file("args") + "'");
    const std::string odd = out.path() + "a b;$(touch x)'\"`.txt";
    EXPECT_TRUE(vk::process::OpenInViewer(U(odd)));
    EXPECT_EQ(ReadFile(out.file("args")), "1|" + odd);
    EXPECT_FALSE(vk::test::FileExists(out.file("x")));
}

TEST(Viewer, AFailingOpenerCountsAsNotStarted) {
    TempFolder bin;
    EnvGuard env;
    FakeOpener(bin, env, "exit 3");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(vk::process::OpenUrl(u"file:///x/manual.html#topic"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "file:///x/manual.html#topic\n");
}

TEST(Viewer, ALingeringOpenerDoesNotBlock) {
    TempFolder bin;
    EnvGuard env;
    FakeOpener(bin, env, "sleep 4");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(vk::process::OpenInViewer(u"/tmp/r.txt"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(Loader, LoadsLibrariesAndFindsSymbols) {
    vk::module::Library lib;
    ASSERT_TRUE(lib.Open(u"libm.so.6")) << lib.ErrorText();
    auto cosine = lib.Function<double (*)(double)>("cos");
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(lib.Symbol("NoSuchExport"), nullptr);
    EXPECT_FALSE(lib.ErrorText().empty());

    vk::module::Library moved(std::move(lib));
    EXPECT_TRUE(moved.IsOpen());
    EXPECT_FALSE(lib.IsOpen());
    moved.Close();
    EXPECT_EQ(moved.Symbol("cos"), nullptr);
}

TEST(Loader, RefusesMissingAndForeignFiles) {
    TempFolder tmp;
    WriteFile(tmp.file("Acq32.dll"), "MZ this is no shared object");
    vk::module::Library lib;
    for (const std::u16string &path : {tmp.ufile("Acq32.dll"), tmp.ufile("missing32.dll"), std::u16string()}) {
        EXPECT_FALSE(lib.Open(path));
        EXPECT_FALSE(lib.IsOpen());
        EXPECT_FALSE(lib.ErrorText().empty());
    }
}
