// Shared set-up of the tool-tree tests: an installation whose configuration
// folder is a temporary folder (with or without tubing-conveyed tools), a
// tree window made through the public header, and an outline of the tree.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "lib/engine/job.h"
#include "tests/support/test_support.h"
#include "vaultkeeplib.h"

namespace vk::test {

class ToolTreeTest : public ::testing::Test {
public:
    // Item deletions announced to the tree window's procedure.
    static int deletions;

protected:
    void SetUp() override;
    void TearDown() override;

    // Points the installation at the temporary folder; tcp sets [Global] TCP
    // of WProperties.ini, so ToolCategoryCount is 3 (true) or 2 (false).
    void Install(bool tcp);
    // Writes tools.ini and returns its path.
    std::u16string Tools(const std::string &text);
    // A new tree window (replacing the last one).
    VKHWND NewTree(bool checkBoxes = false);
    // A backup job in the temporary folder whose tool selection is of
    // service "Open Hole" (GR with serial GR1001, and CCL) in services.ini.
    BackupJob SelectionJob();
    // After the selection took GR1002 as well: GR1001, GR1002 and CCL-1 are
    // marked for transfer in the job's metadata, GR1010 is not.
    static void ExpectSelectionOfGr1002(const BackupJob &job);

    // Indented outline "text [kind]" one line per item, two blanks a level;
    // with blocks, each line also shows "mark|tool|serial|model".
    static std::string Outline(VKHWND tree, bool blocks = false);
    static std::string Text(VKHWND tree, VKHTREEITEM item);
    static const ToolTreeItemData *Block(VKHWND tree, VKHTREEITEM item);
    static size_t Count(VKHWND tree);

    TempFolder tmp;
    VKHWND tree = nullptr;

private:
    std::string savedRegistry_;
    bool hadRegistry_ = false;
};

} // namespace vk::test
