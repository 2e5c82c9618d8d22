// Settings written by the engine's exported calls are on disk when the call
// returns, keep what other processes wrote, and a write that fails makes the
// item fail; the main properties file is read once per backup; archive
// entries are found whatever their letter case.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "lib/engine/job.h"
#include "lib/engine/metadata.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "tests/lib/engine/engine_support.h"
#include "vaultkeeplib.h"

namespace vk::enginetest {
namespace {

using vk::test::N;
using vk::test::ReadFile;
using vk::test::U;
using vk::test::WriteFile;

const std::string kWhy = "[Talvern Backup Utility]\r\nName=s\r\nBackupVersion=8.0\r\n"
                         "[IniBk]\r\n1=0,1005,Preferences,Depth\r\n2=0,1007,Tracer\r\n";
const std::string kArchived = "[Preferences]\r\nDepth=Metres\r\n[Tracer]\r\nSpeed=2\r\nMode=fast\r\n";
const std::string kInstalled = "[Preferences]\r\nDepth=Feet\r\n";

class DurableSettingsTest : public EngineTest {
protected:
    BackupJob *OpenArchive(const std::vector<std::pair<std::string, std::string>> &entries, uint32_t flags = 0) {
        const std::string archive = Dir("backup") + "s.vkb";
        EXPECT_TRUE(MakeZip(archive, entries));
        return VKRestoreInit(nullptr, VKF_QUIET | flags, 0, U(archive).c_str(), nullptr, nullptr, nullptr);
    }
    std::string Properties() const { return Dir("config") + "WProperties.ini"; }
};

TEST_F(DurableSettingsTest, RestoredSectionsAreOnDiskAtReturnAndKeepTheHostsLines) {
    WriteFile(Properties(), kInstalled);
    BackupJob *job = OpenArchive({{"Backup.why", kWhy}, {"1999/WProperties.ini", kArchived}});
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(VKRestore(job, 1005, 0, 0, u"Preferences", u"Depth", nullptr), StatusOk);
    // On disk now, not at some later flush.
    EXPECT_EQ(ReadFile(Properties()), "[Preferences]\r\nDepth=Metres\r\n");
    // The host adds a line; the next item keeps it.
    const int fd = open(Properties().c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "[Host]\r\nline=1\r\n", 16), 16);
    close(fd);
    ASSERT_EQ(VKRestore(job, 1007, 0, 0, u"Tracer", nullptr, nullptr), StatusOk);
    EXPECT_EQ(ReadFile(Properties()),
              "[Preferences]\r\nDepth=Metres\r\n[Host]\r\nline=1\r\n[Tracer]\r\nSpeed=2\r\nMode=fast\r\n");
    EXPECT_EQ(vk::engine::ReadMetadata(*job, u"IniRestore", u"1"), u"0,1005,Preferences,Depth");
    EXPECT_EQ(VKRestoreClose(job), 1);
}

// A full disk (or any failing step of the replacement) fails the item, which
// is recorded so; the installed file is as it was.
TEST_F(DurableSettingsTest, AWriteThatFailsFailsTheItem) {
    for (const vk::fs::Op op : {vk::fs::Op::Open, vk::fs::Op::Write, vk::fs::Op::Flush, vk::fs::Op::Rename}) {
        WriteFile(Properties(), kInstalled);
        vk::ini::Forget(nullptr);
        BackupJob *job = OpenArchive({{"Backup.why", kWhy}, {"1999/WProperties.ini", kArchived}}, VKF_REPORT);
        ASSERT_NE(job, nullptr);
        vk::fs::ResetFaults();
        vk::fs::FailNth(op, 1);
        EXPECT_EQ(VKRestore(job, 1005, 0, 0, u"Preferences", u"Depth", nullptr), StatusIniFail);
        vk::fs::ResetFaults();
        EXPECT_EQ(ReadFile(Properties()), kInstalled);
        EXPECT_EQ(vk::engine::ReadMetadata(*job, u"IniRestore", u"1"), u"11,1005,Preferences,Depth");
        EXPECT_EQ(VKRestoreClose(job), 1);
        ASSERT_FALSE(reports.empty());
        const std::string report = ReadFile(N(reports.back()));
        EXPECT_NE(report.find("Preferences"), std::string::npos) << report;
        EXPECT_EQ(report.find("Preferences : Ok"), std::string::npos) << report;
    }
}

TEST_F(DurableSettingsTest, XferIniKeyIsOnDiskAtReturnOrSaysItFailed) {
    const std::string source = Dir("config") + "src.ini", dest = Dir("config") + "dst.ini";
    WriteFile(source, "[T-S1]\r\na=1\r\nb=\r\nc=3\r\n");
    WriteFile(dest, "[T-S2]\r\nold=1\r\n");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        XferIniKey(u"T", u"S1", U(source).c_str(), u"S2", U(dest).c_str());
        raise(SIGKILL); // nothing of the process's own exit runs
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(ReadFile(dest), "[T-S2]\r\na=1\r\nc=3\r\n");

    WriteFile(dest, "[T-S2]\r\nold=1\r\n");
    vk::ini::Forget(nullptr);
    vk::fs::FailNth(vk::fs::Op::Rename, 1);
    EXPECT_EQ(XferIniKey(u"T", u"S1", U(source).c_str(), u"S2", U(dest).c_str()), StatusIniFail);
    vk::fs::ResetFaults();
    EXPECT_EQ(ReadFile(dest), "[T-S2]\r\nold=1\r\n");
    EXPECT_EQ(vk::ini::ReadString(u"T-S2", u"old", u"", U(dest)), u"1");
    EXPECT_EQ(XferIniKey(u"T", u"S1", U(source).c_str(), u"S2", U(dest).c_str()), 0);
    EXPECT_EQ(ReadFile(dest), "[T-S2]\r\na=1\r\nc=3\r\n");
}

// A writer that keeps swapping the main properties file between two
// versions during backups: every archive holds one version, never a mix.
TEST_F(DurableSettingsTest, TheMainPropertiesFileIsReadOnceFromOneVersion) {
    auto version = [](char v) {
        std::string text;
        for (const char *section : {"Tracer", "Plot", "Heading", "Power Monitor", "Waveform", "Depth", "Unit_Maps",
                                    "Math Pack", "Noise", "PipeTally", "TVD", "HotKeys", "WMemory", "Job Plan"}) {
            text += std::string("[") + section + "]\r\n";
            for (int k = 0; k < 20; ++k) text += "k" + std::to_string(k) + "=" + v + "\r\n";
        }
        text += "[Acquisition]\r\n";
        for (int k = 0; k < 40; ++k) text += "a" + std::to_string(k) + "=" + v + "\r\n";
        return text;
    };
    const std::string one = version('1'), two = version('2');
    WriteFile(Properties(), one);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const std::string temp = Dir("config") + ".swap";
        for (int i = 0; !stop; ++i) {
            WriteFile(temp, i % 2 ? two : one);
            std::rename(temp.c_str(), Properties().c_str());
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    for (int run = 0; run < 6; ++run) {
        const std::string archive = Dir("backup") + "m" + std::to_string(run) + ".vkb";
        BackupJob *job = VKBackupInit(nullptr, VKF_QUIET, 0, U(archive).c_str(), nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(job, nullptr);
        EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Properties()).c_str()), StatusOk);
        ASSERT_EQ(VKBackupClose(job), 1);
        const std::string copy = ZipEntry(archive, "1999/WProperties.ini");
        const bool ones = copy.find("=1\r\n") != std::string::npos;
        const bool twos = copy.find("=2\r\n") != std::string::npos;
        EXPECT_NE(ones, twos) << run << "\n" << copy;
    }
    stop = true;
    writer.join();
}

TEST_F(DurableSettingsTest, ArchiveEntriesAreFoundWhateverTheirLetterCase) {
    WriteFile(Properties(), kInstalled);
    BackupJob *job = OpenArchive({{"Backup.why", kWhy},
                                  {"1999/wproperties.INI", kArchived},
                                  {"4001/Services.ini", "[Service]\r\n1=Open\r\n"},
                                  {"4001/Units.ini", "[Units]\r\nDepth=m\r\n"},
                                  {"3000/Wells/A.db", "db"}});
    ASSERT_NE(job, nullptr);
    // The file as unpacked (Windows also opens it by the name as asked).
    EXPECT_EQ(vk::fs::ResolvePath(job->servicesPath), vk::fs::ResolvePath(job->workFolder + u"4001/Services.ini"));
    EXPECT_EQ(VKRestore(job, 1005, 0, 0, u"Preferences", u"Depth", nullptr), StatusOk);
    EXPECT_EQ(ReadFile(Properties()), "[Preferences]\r\nDepth=Metres\r\n");
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"units.ini"), StatusOk);
    EXPECT_EQ(ReadFile(Dir("config") + "units.ini"), "[Units]\r\nDepth=m\r\n");
    EXPECT_EQ(VKRestore(job, 3000, 0, 0, nullptr, nullptr, U(Dir("data") + "wells/a.db").c_str()), StatusOk);
    EXPECT_EQ(ReadFile(Dir("data") + "wells/a.db"), "db");
    EXPECT_EQ(VKRestoreClose(job), 1);
}

} // namespace
} // namespace vk::enginetest
