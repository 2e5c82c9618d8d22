// Reading a file from start to end with what it was opened with, and the
// nameless scratch file that nothing outlives.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs/fs.h"
#include "tests/support/test_support.h"

namespace {

using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

size_t EntriesIn(const std::string &folder) {
    return static_cast<size_t>(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

TEST(FileRead, ReadsToTheEndAlsoWhenTheFileGrewAndKnowsItsTimeAndPermissions) {
    TempFolder t;
    const std::string path = t.file("grows.txt");
    WriteFile(path, std::string(1000, 'a'));
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
    vk::fs::File file;
    ASSERT_TRUE(file.Open(U(path)));
    EXPECT_EQ(file.Size(), 1000u);
    // Appended after the opening: a read to the end takes it too.
    {
        std::FILE *f = std::fopen(path.c_str(), "ab");
        ASSERT_NE(f, nullptr);
        std::fputs("tail", f);
        std::fclose(f);
    }
    std::string all;
    char buffer[300];
    for (int64_t n; (n = file.Read(buffer, sizeof buffer)) > 0;) all.append(buffer, static_cast<size_t>(n));
    EXPECT_EQ(all, std::string(1000, 'a') + "tail");
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
    const int64_t age = static_cast<int64_t>(std::time(nullptr)) - file.ModifiedUnixSeconds();
    EXPECT_GT(age, 47 * 3600);
    EXPECT_LT(age, 49 * 3600);
    EXPECT_NE(file.Permissions() & 0200u, 0u);

    // A folder is no file to read.
    vk::fs::File folder;
    EXPECT_FALSE(folder.Open(U(t.path())));
}

TEST(ScratchFile, KeepsWhatThreadsWroteAndLeavesNothingBehind) {
    TempFolder t;
    const std::string folder = t.file("spill/");
    std::filesystem::create_directory(folder);
    {
        vk::fs::ScratchFile scratch;
        ASSERT_TRUE(scratch.Open(U(folder)));
        // Nothing to see in the folder while it is in use (POSIX), or a
        // file the system deletes with its handle (Windows).
        EXPECT_LE(EntriesIn(folder), 1u);
        // Two writers, each its own range.
        constexpr size_t kBlock = 64 * 1024;
        std::vector<std::thread> writers;
        for (int w = 0; w < 2; ++w)
            writers.emplace_back([&, w] {
                const std::string bytes(kBlock, static_cast<char>('a' + w));
                for (int i = 0; i < 16; ++i)
                    EXPECT_TRUE(scratch.WriteAt(static_cast<uint64_t>((i * 2 + w) * kBlock), bytes.data(), kBlock));
            });
        for (std::thread &w : writers) w.join();
        std::string block(kBlock, '\0');
        for (int at = 0; at < 32; ++at) {
            ASSERT_TRUE(scratch.ReadAt(static_cast<uint64_t>(at) * kBlock, kBlock, block.data()));
            EXPECT_EQ(block, std::string(kBlock, static_cast<char>('a' + at % 2))) << at;
        }
        // Past the end: not there.
        EXPECT_FALSE(scratch.ReadAt(32 * kBlock, 1, block.data()));
    }
    EXPECT_EQ(EntriesIn(folder), 0u);

    vk::fs::ScratchFile nowhere;
    EXPECT_FALSE(nowhere.Open(U(t.file("missing/"))));
}

} // namespace
