// A small installation in a temporary folder, a hand-made job record and a
// recording progress procedure for the file and ini item tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/file_helpers.h"
#include "lib/engine/archive_binding.h"
#include "lib/engine/job.h"
#include "lib/engine/metadata.h"
#include "lib/engine/translate_hooks.h"
#include "lib/services/directories.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/ui/ui.h"
#include "tests/support/test_support.h"

namespace vk::test {

struct ProgressCall {
    int code;
    intptr_t value;
    std::u16string text;
};

class ItemsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char *registry = std::getenv("VAULTKEEP_REGISTRY");
        hadRegistry_ = registry != nullptr;
        savedRegistry_ = registry ? registry : "";
        root = tmp.path();
        std::string values;
        const std::pair<const char *, const char *> folders[] = {
            {"BinDir", "bin"},       {"ConfigDir", "config"}, {"FormatDir", "format"}, {"DataDir", "data"},
            {"TempDir", "temp"},     {"SimDir", "sim"},       {"ScriptDir", "script"}, {"BackupDir", "backup"},
        };
        for (const auto &[name, folder] : folders) {
            std::filesystem::create_directories(root + folder);
            values += std::string("\"") + name + "\"=\"" + root + folder + "/\"\r\n";
        }
        WriteFile(tmp.file("registry.reg"),
                  "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n" + values);
        ::setenv("VAULTKEEP_REGISTRY", tmp.file("registry.reg").c_str(), 1);
        vk::lib::LoadDirectories();
        vk::ini::Forget(nullptr);
        vk::ui::ClearAnswers();
        vk::ui::ClearShownLog();
        Calls().clear();
        Answer() = 1;
        work = U(root + "work/");
        std::filesystem::create_directories(root + "work");
    }

    void TearDown() override {
        vk::fs::ResetFaults();
        vk::ini::Flush(nullptr);
        vk::ini::Forget(nullptr);
        vk::ui::ClearAnswers();
        if (hadRegistry_) ::setenv("VAULTKEEP_REGISTRY", savedRegistry_.c_str(), 1);
        else ::unsetenv("VAULTKEEP_REGISTRY");
        vk::lib::LoadDirectories();
    }

    // A job with an empty "Backup.why" in the work folder; restore jobs run
    // with the pass-through hook.
    BackupJob MakeJob(bool backup) {
        BackupJob job;
        job.flags = backup ? VKF_BACKUP : VKF_RESTORE;
        job.workFolder = work;
        job.metadataPath = work + u"Backup.why";
        if (backup) job.archivePath = U(root + "backup/items.vkb");
        job.progress = &Record;
        job.translate = backup ? nullptr : &vk::engine::PassThroughHook;
        vk::CreateEmptyTextFile(job.metadataPath.c_str());
        vk::ini::Forget(job.metadataPath.c_str());
        return job;
    }

    // Native path of a name below the installation root, as UTF-16.
    std::u16string P(const std::string &relative) const { return U(root + relative); }
    // Writes a file below the root (folders made) and drops any cached copy.
    void Put(const std::string &relative, std::string_view bytes) {
        WriteFile(root + relative, bytes);
        vk::ini::Forget(P(relative).c_str());
    }
    void PutVersioned(const std::string &relative, const std::string &version, const std::string &tag = "") {
        Put(relative, "[TalvernFileInfo]\r\nTalvernFileVersion=" + version + "\r\n[Body]\r\nTag=" + tag + "\r\n");
    }
    std::string Read(const std::string &relative) {
        vk::ini::Flush(nullptr);
        return ReadFile(root + relative);
    }
    // Writes the backup job's archive (its file items and work folder) and
    // unpacks it into the work folder, where restore items of a job made by
    // MakeJob(false) find their files.
    void WriteArchive(BackupJob &job) {
        job.progress = nullptr; // code 1 carries a number in its text argument
        ASSERT_EQ(vk::engine::ZipWorkFolder(job), 1);
        ASSERT_EQ(Shell("unzip -qo " + Quote(N(job.archivePath)) + " -d " + Quote(N(work))), 0);
    }
    // The content of an entry of the archive WriteArchive wrote ("" when missing).
    std::string Archived(const std::string &entry) {
        std::string out;
        Shell("unzip -p " + Quote(root + "backup/items.vkb") + " " + Quote(entry) + " 2>/dev/null", &out);
        return out;
    }
    std::u16string Ini(const std::string &relative, std::u16string_view section, std::u16string_view key) {
        return vk::ini::ReadString(section, key, u"<missing>", P(relative));
    }
    std::u16string Why(const BackupJob &job, std::u16string_view section, std::u16string_view key) {
        return vk::engine::ReadMetadata(job, section, key);
    }

    static std::vector<ProgressCall> &Calls() {
        static std::vector<ProgressCall> calls;
        return calls;
    }
    // The answer the progress procedure gives (code 9 lets the dialog show).
    static int &Answer() {
        static int answer = 1;
        return answer;
    }
    static int Record(int code, intptr_t value, const char16_t *text) {
        Calls().push_back({code, value, text ? std::u16string(text) : std::u16string()});
        return Answer();
    }
    static size_t DialogsShown(int32_t id) {
        size_t n = 0;
        for (const auto &s : vk::ui::ShownLog())
            if (s.what == vk::ui::Shown::What::Dialog && s.dialogId == id) ++n;
        return n;
    }

    TempFolder tmp;
    std::string root;
    std::u16string work;

private:
    std::string savedRegistry_;
    bool hadRegistry_ = false;
};

} // namespace vk::test
