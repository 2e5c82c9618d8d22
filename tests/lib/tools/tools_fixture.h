// Helpers of the tool and service tests: demo installations made by the
// demo's own script, small ini files, the installation table switched per
// test, and the dialog table restored after each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "lib/engine/job.h"
#include "lib/tools/tool_dialogs.h"
#include "tests/support/test_support.h"

namespace vk::toolstest {

class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A copy of the demo installation at tmp/<name>/ (ending in '/').
    std::string MakeDemo(const std::string &name);
    // Makes the installation at `root` the library's.
    void Use(const std::string &root);
    // Writes an ini file into the temporary folder; its path.
    std::u16string Ini(const std::string &name, const std::string &text);
    // A value read through the ini engine ("" when missing).
    std::string Value(const std::u16string &file, const char *section, const char *key);
    // Copies the test acquisition module into <root>bin/ as <software>32.dll.
    void InstallModule(const std::string &root, const std::string &software);

    vk::test::TempFolder tmp;

private:
    std::string savedRegistry_;
    bool hadRegistry_ = false;
    vk::tools::ToolDialogs savedDialogs_;
};

// A job record for direct calls of the tool functions: a metadata file in
// the temporary folder, backup or restore.
struct ScratchJob {
    BackupJob job;
    ScratchJob(const vk::test::TempFolder &tmp, bool restore);
    // True when the backup's archive being collected has the entry
    // ("5002/gr2.wtd"): file items go straight into it.
    bool Archived(const char16_t *entry);
};

} // namespace vk::toolstest
