// Backups and restores through their exports when the installation or the
// archive works against them: links that lead out of the installation,
// private files, a plain file chosen instead of an archive, archives too big
// to unpack or with a damaged or huge "Backup.why", and a backup whose archive
// could not be written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"
#include "tests/lib/engine/engine_support.h"
#include "vaultkeeplib.h"

namespace vk::enginetest {
namespace {

using vk::test::N;
using vk::test::ReadFile;
using vk::test::U;
using vk::test::WriteFile;

namespace fsys = std::filesystem;

constexpr char kWhy[] = "[Talvern Backup Utility]\r\nName=safe\r\nBackupVersion=8.0\r\n";

bool IsLink(const std::string &path) { return fsys::is_symlink(fsys::symlink_status(path)); }

unsigned Mode(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : 0u;
}

class SafetyTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        outside_ = tmp.path() + "elsewhere/";
        fsys::create_directories(outside_);
    }
    std::string Archive(const std::string &name, std::vector<std::pair<std::string, std::string>> entries) {
        const std::string path = Dir("backup") + name;
        entries.insert(entries.begin(), {"Backup.why", kWhy});
        EXPECT_TRUE(MakeZip(path, entries));
        return path;
    }
    BackupJob *OpenArchive(const std::string &archive) {
        return VKRestoreInit(nullptr, VKF_QUIET, 0, U(archive).c_str(), nullptr, nullptr, nullptr);
    }
    BackupJob *NewBackup(const std::string &archive, uint32_t flags = VKF_OVERWRITE) {
        return VKBackupInit(nullptr, flags, 0, U(archive).c_str(), nullptr, nullptr, nullptr, nullptr);
    }
    // The texts of the message boxes shown so far.
    static std::vector<std::string> Boxes() {
        std::vector<std::string> out;
        for (const auto &s : vk::ui::ShownLog())
            if (s.what == vk::ui::Shown::What::Box) out.push_back(N(s.text));
        return out;
    }
    static std::string WhyValue(const BackupJob *job, const char16_t *section, const char16_t *key) {
        return N(vk::ini::ReadString(section, key, u"", job->metadataPath));
    }
    std::string outside_;
};

TEST_F(SafetyTest, RestoreReplacesALinkAndNeverWritesThroughIt) {
    WriteFile(outside_ + "secret.txt", "precious");
    ASSERT_EQ(::symlink((outside_ + "secret.txt").c_str(), (Dir("config") + "units.ini").c_str()), 0);
    // A link to a file inside the installation is replaced the same way.
    WriteFile(Dir("config") + "site.ini", "[Site]\r\n");
    ASSERT_EQ(::symlink((Dir("config") + "site.ini").c_str(), (Dir("config") + "vars.ini").c_str()), 0);
    const std::string archive =
        Archive("links.conf.vkb", {{"4001/units.ini", "[Units]\r\nm=1\r\n"}, {"4001/vars.ini", "[Vars]\r\n"}});

    BackupJob *job = OpenArchive(archive);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"units.ini"), StatusOk);
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"vars.ini"), StatusOk);
    EXPECT_EQ(VKRestoreClose(job), 1);

    EXPECT_EQ(ReadFile(outside_ + "secret.txt"), "precious");
    EXPECT_FALSE(IsLink(Dir("config") + "units.ini"));
    EXPECT_EQ(ReadFile(Dir("config") + "units.ini"), "[Units]\r\nm=1\r\n");
    EXPECT_FALSE(IsLink(Dir("config") + "vars.ini"));
    EXPECT_EQ(ReadFile(Dir("config") + "site.ini"), "[Site]\r\n");
}

TEST_F(SafetyTest, RestoreRefusesFoldersAndSettingsFilesLinkedOutOfTheInstallation) {
    // data/Wells leads elsewhere: a database restored below it would land there.
    ASSERT_EQ(::symlink(outside_.c_str(), (Dir("data") + "Wells").c_str()), 0);
    // The main properties file is a link to a file elsewhere: its sections
    // are merged into the file, so the item is refused rather than replaced.
    WriteFile(outside_ + "props.ini", "[Keep]\r\nx=1\r\n");
    ASSERT_EQ(::symlink((outside_ + "props.ini").c_str(), (Dir("config") + "WProperties.ini").c_str()), 0);
    const std::string archive =
        Archive("folders.conf.vkb", {{"3000/Wells/a.db", "db"},
                                     {"1999/WProperties.ini", "[Preferences]\r\nUnits=Metric\r\n"}});

    BackupJob *job = OpenArchive(archive);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"3000/Wells/a.db"), StatusAccessDenied);
    EXPECT_EQ(VKRestore(job, 1005, 0, 0, u"Preferences", nullptr, nullptr), StatusAccessDenied);
    // Both refusals are recorded like any other result.
    EXPECT_EQ(WhyValue(job, u"FileRestore", u"a.db"), "10,3000");
    EXPECT_EQ(WhyValue(job, u"IniRestore", u"1"), "10,1005,Preferences");
    EXPECT_NE(job->flags & VKF_REPORT_DUE, 0u);
    VKRestoreClose(job);

    EXPECT_FALSE(fsys::exists(outside_ + "a.db"));
    EXPECT_EQ(ReadFile(outside_ + "props.ini"), "[Keep]\r\nx=1\r\n");
    ASSERT_EQ(reports.size(), 1u);
    const std::string report = ReadFile(N(reports[0]));
    EXPECT_NE(report.find("Preferences : Access denied."), std::string::npos) << report;

    // A link whose target lies inside the installation is written as before.
    std::filesystem::remove(Dir("config") + "WProperties.ini");
    WriteFile(Dir("config") + "site.ini", "[Keep]\r\nx=1\r\n");
    ASSERT_EQ(::symlink((Dir("config") + "site.ini").c_str(), (Dir("config") + "WProperties.ini").c_str()), 0);
    job = OpenArchive(archive);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(VKRestore(job, 1005, 0, 0, u"Preferences", nullptr, nullptr), StatusOk);
    VKRestoreClose(job);
    EXPECT_EQ(N(vk::ini::ReadString(u"Preferences", u"Units", u"", U(Dir("config") + "site.ini"))), "Metric");
}

TEST_F(SafetyTest, BackupLeavesLinksOutOfTheInstallationOutOfTheArchive) {
    WriteFile(outside_ + "shadow", "root:secret\n");
    ASSERT_EQ(::symlink((outside_ + "shadow").c_str(), (Dir("config") + "leak.ini").c_str()), 0);
    WriteFile(Dir("config") + "real.ini", "[Real]\r\n");
    ASSERT_EQ(::symlink((Dir("config") + "real.ini").c_str(), (Dir("config") + "alias.ini").c_str()), 0);
    ASSERT_EQ(::symlink(outside_.c_str(), (Dir("data") + "Wells").c_str()), 0);
    WriteFile(outside_ + "w.db", "db");

    const std::string archive = Dir("backup") + "leak.conf.vkb";
    BackupJob *job = NewBackup(archive);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "leak.ini").c_str()), StatusAccessDenied);
    EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("data") + "Wells/w.db").c_str()), StatusAccessDenied);
    EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "alias.ini").c_str()), StatusOk);
    // Not fatal: the backup goes on and the archive is written.
    EXPECT_EQ(WhyValue(job, u"FileBk", u"4001\\leak.ini"), "10,4001");
    EXPECT_NE(VKBackupClose(job), 0);

    const std::vector<std::string> entries = ZipEntries(archive);
    EXPECT_EQ(entries, (std::vector<std::string>{"4001/alias.ini", "Backup.why"}));
    EXPECT_EQ(ZipEntry(archive, "4001/alias.ini"), "[Real]\r\n");
}

TEST_F(SafetyTest, ArchivesArePrivateAndKeepEachFilesPermissions) {
    WriteFile(Dir("config") + "license.key", "KEY-1234");
    WriteFile(Dir("script") + "start.sh", "#!/bin/sh\n");
    WriteFile(Dir("config") + "plain.ini", "[P]\r\n");
    WriteFile(Dir("config") + "fixed.ini", "[F]\r\n");
    ::chmod((Dir("config") + "license.key").c_str(), 0600);
    ::chmod((Dir("script") + "start.sh").c_str(), 0755);
    ::chmod((Dir("config") + "plain.ini").c_str(), 0644);
    ::chmod((Dir("config") + "fixed.ini").c_str(), 0444);
    // The archive replaces a world-readable one.
    const std::string archive = Dir("backup") + "modes.conf.vkb";
    WriteFile(archive, "old");
    ::chmod(archive.c_str(), 0644);

    const mode_t saved = ::umask(022);
    BackupJob *job = NewBackup(archive);
    ASSERT_NE(job, nullptr);
    for (const std::string &file : {Dir("config") + "license.key", Dir("script") + "start.sh",
                                    Dir("config") + "plain.ini", Dir("config") + "fixed.ini"})
        EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(file).c_str()), StatusOk) << file;
    EXPECT_NE(VKBackupClose(job), 0);
    ::umask(saved);
    EXPECT_EQ(Mode(archive), 0600u);

    // A standard archive: the usual tools read and test it, and see the modes.
    EXPECT_EQ(Shell("unzip -tq " + Quote(archive) + " >/dev/null"), 0);
    std::string listing;
    ASSERT_EQ(Shell("python3 -c 'import sys,zipfile\n"
                    "z=zipfile.ZipFile(sys.argv[1])\n"
                    "assert z.testzip() is None\n"
                    "for i in sorted(z.infolist(),key=lambda i:i.filename): print(i.filename, oct(i.external_attr>>16))' " +
                        Quote(archive),
                    &listing),
              0);
    EXPECT_NE(listing.find("4999/license.key 0o100600"), std::string::npos) << listing;
    EXPECT_NE(listing.find("6999/start.sh 0o100755"), std::string::npos) << listing;
    EXPECT_NE(listing.find("4001/plain.ini 0o100644"), std::string::npos) << listing;
    EXPECT_NE(listing.find("4001/fixed.ini 0o100444"), std::string::npos) << listing;

    // A restore gives every file its permissions back.
    for (const char *f : {"config/license.key", "script/start.sh", "config/plain.ini", "config/fixed.ini"}) {
        ::chmod((root_ + f).c_str(), 0644);
        fsys::remove(root_ + f);
    }
    job = OpenArchive(archive);
    ASSERT_NE(job, nullptr);
    for (const char16_t *name : {u"license.key", u"start.sh", u"plain.ini", u"fixed.ini"}) {
        const int32_t type = name == std::u16string_view(u"license.key") ? 4999
                             : name == std::u16string_view(u"start.sh")  ? 6999
                                                                         : 4001;
        EXPECT_EQ(VKRestore(job, type, 0, 0, nullptr, nullptr, name), StatusOk) << N(name);
    }
    VKRestoreClose(job);
    EXPECT_EQ(Mode(Dir("config") + "license.key"), 0600u);
    EXPECT_EQ(Mode(Dir("script") + "start.sh"), 0755u);
    EXPECT_EQ(Mode(Dir("config") + "plain.ini"), 0644u);
    EXPECT_EQ(Mode(Dir("config") + "fixed.ini"), 0444u);
    EXPECT_EQ(ReadFile(Dir("config") + "license.key"), "KEY-1234");
}

TEST_F(SafetyTest, DamagedMetadataRefusesTheArchive) {
    // Backup.why stored uncompressed, one byte of it changed: its CRC fails.
    const std::string archive = Dir("backup") + "damaged.conf.vkb";
    const std::string why = "[Talvern Backup Utility]\r\nName=damaged\r\nBackupVersion=8.0\r\n"
                            "[IniBk]\r\n1=0,1005,Preferences\r\n";
    ASSERT_EQ(Shell("python3 -c 'import sys,zipfile\n"
                    "z=zipfile.ZipFile(sys.argv[1],\"w\")\n"
                    "z.writestr(\"Backup.why\",sys.argv[2])\n"
                    "z.writestr(\"4001/units.ini\",\"[U]\")\n"
                    "z.close()' " +
                    Quote(archive) + " " + Quote(why)),
              0);
    std::string bytes = ReadFile(archive);
    const size_t at = bytes.find("Name=damaged");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'n';
    WriteFile(archive, bytes);

    EXPECT_EQ(VKRestoreInit(nullptr, 0, 0, U(archive).c_str(), nullptr, &Progress, nullptr), nullptr);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "Backup information in " + archive + " is damaged.  Cannot restore");
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
    // Nothing was announced as the content of a current archive.
    for (const ProgressCall &call : Log().calls) EXPECT_NE(call.code, 11);

    // Appending to it is refused too: "File is not a valid backup".
    vk::ui::ClearShownLog();
    EXPECT_EQ(VKBackupInit(nullptr, VKF_APPEND_SERVICES, 0, U(archive).c_str(), nullptr, nullptr, nullptr, nullptr),
              nullptr);
}

TEST_F(SafetyTest, HugeMetadataIsRefusedBeforeItIsRead) {
    std::string why = kWhy;
    why += "[Comment]\r\n";
    const std::string line(1000, 'c');
    for (int i = 1; why.size() <= (16u << 20); ++i) why += std::to_string(i) + "=" + line + "\r\n";
    const std::string archive = Dir("backup") + "huge.conf.vkb";
    ASSERT_TRUE(MakeZip(archive, {{"Backup.why", why}}));

    EXPECT_EQ(OpenArchive(archive), nullptr);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Backup information in " + archive + " is too large.  Cannot restore");
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(SafetyTest, ArchiveLargerThanTheTemporaryFolderIsNotUnpacked) {
    // 300 small entries whose headers each declare almost 4 GiB: more than
    // the temporary folder holds, so nothing of it may be written.
    const std::string archive = Dir("backup") + "bomb.conf.vkb";
    ASSERT_EQ(Shell("python3 -c 'import sys,zipfile,struct\n"
                    "z=zipfile.ZipFile(sys.argv[1],\"w\",zipfile.ZIP_DEFLATED)\n"
                    "z.writestr(\"Backup.why\",\"[Talvern Backup Utility]\\r\\n\")\n"
                    "[z.writestr(\"4001/f%d.ini\"%i,\"x\"*100) for i in range(300)]\n"
                    "z.close()\n"
                    "b=bytearray(open(sys.argv[1],\"rb\").read())\n"
                    "i=b.find(b\"PK\\x01\\x02\")\n"
                    "while i>=0:\n"
                    "  struct.pack_into(\"<I\",b,i+24,0xF0000000)\n"
                    "  i=b.find(b\"PK\\x01\\x02\",i+4)\n"
                    "open(sys.argv[1],\"wb\").write(bytes(b))' " +
                        Quote(archive)),
              0);

    EXPECT_EQ(OpenArchive(archive), nullptr);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Not enough space in temp folder to unpack " + archive + ".  Cannot restore");
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(SafetyTest, PlainFileRestoresOnlyToItsOwnName) {
    // A gzip file chosen instead of an archive must not land on vars.ini.
    const std::string plain = Dir("backup") + "units.ini";
    WriteFile(plain, std::string("\x1f\x8b\x08\x00", 4) + "gzip data");
    WriteFile(Dir("config") + "vars.ini", "[Vars]\r\nkeep=1\r\n");
    BackupJob *job = OpenArchive(plain);
    ASSERT_NE(job, nullptr);
    ASSERT_NE(job->flags & VKF_PLAIN_SOURCE, 0u);
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"vars.ini"), StatusNoSourceFile);
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"UNITS.INI"), StatusOk);
    VKRestoreClose(job);
    EXPECT_EQ(ReadFile(Dir("config") + "vars.ini"), "[Vars]\r\nkeep=1\r\n");
    EXPECT_EQ(ReadFile(Dir("config") + "UNITS.INI"), ReadFile(plain));
}

TEST_F(SafetyTest, UnwrittenArchiveLeavesNoSuccessInTheReport) {
    WriteFile(Dir("config") + "a.ini", "[A]\r\n");
    WriteFile(Dir("config") + "b.ini", "[B]\r\n");
    // The archive's folder does not exist: the archive cannot be written.
    const std::string archive = tmp.path() + "gone/x.conf.vkb";
    BackupJob *job = NewBackup(archive, VKF_REPORT);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "a.ini").c_str()), StatusOk);
    EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "missing.ini").c_str()),
              StatusNoSourceFile);
    EXPECT_EQ(VKBackupClose(job), 0);
    EXPECT_FALSE(fsys::exists(archive));

    ASSERT_EQ(reports.size(), 1u);
    const std::string report = ReadFile(N(reports[0]));
    const size_t success = report.find("*** SUCCESSFUL ITEMS ***");
    const size_t errors = report.find("*** ERROR ITEMS ***");
    ASSERT_NE(success, std::string::npos);
    ASSERT_NE(errors, std::string::npos);
    const std::string successPart = report.substr(success, errors - success);
    EXPECT_EQ(successPart.find("a.ini"), std::string::npos) << report;
    const std::string errorPart = report.substr(errors);
    EXPECT_NE(errorPart.find("a.ini : Not saved, backup file not written"), std::string::npos) << report;
    EXPECT_NE(errorPart.find("missing.ini : No source file."), std::string::npos) << report;
}

} // namespace
} // namespace vk::enginetest
