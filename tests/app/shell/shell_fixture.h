// Shared set-up of the program shell's tests: a copy of the demo installation
// for the whole test program, and a clean program state per test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/shell/program.h"
#include "platform/ui/ui.h"

namespace vk::test {

// The demo installation this test program runs on, ending in '/' ("" when it
// could not be made). The library reads its folders when it loads, so the
// program makes the copy and starts itself again with its registry file.
const std::string &DemoRoot();

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Start-up as the program does it, on the headless backend.
    app::StartUpResult Start(const std::string &commandLine);
    // The texts of the boxes shown since the test began.
    std::vector<std::string> Boxes() const;
};

} // namespace vk::test
