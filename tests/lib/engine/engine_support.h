// Helpers of the engine tests: a small installation with its registry file,
// a recorder for the progress procedure, archive inspection through the
// standard tools, and a fixture that resets the UI model and the fault points.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "lib/engine/job.h"
#include "tests/support/test_support.h"

namespace vk::enginetest {

// One call of the progress procedure. code 1: number = the entry count;
// codes 10 and 12: number = the file time pointed at; code 11: name = the
// section type name pointed at.
struct ProgressCall {
    int code = 0;
    intptr_t value = 0;
    int64_t number = 0;
    std::string name;
    std::string text;
};

// The recorder behind Progress(); answer9 is the answer to code 9.
struct ProgressLog {
    std::vector<ProgressCall> calls;
    int answer9 = 0;
    // Set during code 2 to count events; cancels the job after `cancelAfter`
    // calls of code 2 when positive.
    int cancelAfter = 0;
    int32_t *cancelFlag = nullptr;
    std::vector<int> Codes() const;
    std::vector<std::string> Texts(int code) const;
};
ProgressLog &Log();
int Progress(int code, intptr_t value, const char16_t *text);

using vk::test::Quote;
using vk::test::Shell;
using vk::test::Snapshot;
// Entry names of a ZIP archive ("unzip -Z1"), sorted.
std::vector<std::string> ZipEntries(const std::string &archive);
// The bytes of one entry ("unzip -p").
std::string ZipEntry(const std::string &archive, const std::string &entry);
// Makes a ZIP archive with Python's zipfile: entries are (name, bytes);
// a name ending in '/' is a folder, a bytes text starting "->" a symlink.
bool MakeZip(const std::string &archive, const std::vector<std::pair<std::string, std::string>> &entries);

// Number of work folders ("wtd*") in a folder.
int WorkFolderCount(const std::string &tempFolder);

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the registry file for folders under `root` (ending in '/') and
    // loads the installation table.
    void UseInstallation(const std::string &root);
    // A copy of the demo installation at tmp/<name>/ (made by its script).
    std::string MakeDemo(const std::string &name);

    std::string Dir(const char *name) const { return root_ + name + "/"; }
    std::u16string UDir(const char *name) const { return vk::test::U(Dir(name)); }

    vk::test::TempFolder tmp;
    std::string root_;
    std::vector<std::u16string> reports; // paths of the reports written
    int32_t cancel = 0;

private:
    std::string savedRegistry_;
    bool hadRegistry_ = false;
};

} // namespace vk::enginetest
