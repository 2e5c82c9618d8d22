// The table of the tool dialogs. The dialogs module points the entries at
// its dialog functions here; an entry left null keeps the item's fall-back.
#include "lib/tools/tool_dialogs.h"

#include "lib/tools/tool_tree_dialogs.h"

namespace vk::tools {
namespace {

ToolDialogs MakeTable() {
    ToolDialogs table;
    table.selectTools = SelectServiceTools;
    table.openCopying = OpenCopyingWindow;
    table.closeCopying = CloseCopyingWindow;
    table.askOverwrite = AskToolOverwrite;
    table.importSerial = ImportSerialNumber;
    return table;
}

} // namespace

ToolDialogs &ToolDialogHooks() {
    static ToolDialogs table = MakeTable();
    return table;
}

} // namespace vk::tools
