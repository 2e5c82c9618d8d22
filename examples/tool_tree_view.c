/* Shows the installation's tool database in a tool tree.
 *
 *   vk_tool_tree_view [--list] [--picture FILE.png] [TOOLS_FILE]
 *
 * TOOLS_FILE defaults to tools.ini of the installation's configuration folder
 * (the registry file named by VAULTKEEP_REGISTRY). With a display the tree is
 * shown in a window until it is closed; with --list, or without a display, the
 * tree is written to standard output, one item a line, indented two blanks a
 * level: the item text, then in brackets the kind, and for serial numbers and
 * models the serial number and model the item's data block names.
 * --picture saves a PNG of the window (with a display) and ends. */
#include <stdio.h>
#include <string.h>

#include "vaultkeeplib.h"
#include "example_text.h"

static int deleted;

/* Every item the tree deletes hands its data block back to the library. */
static void OnDelete(VKHWND tree, const void *notification, void *context) {
    (void)context;
    ++deleted;
    FreeTreeParam(tree, notification);
}

static void List(VKHWND tree, VKHTREEITEM item, int depth) {
    for (; item; item = VKTreeNext(tree, item, VK_TREE_NEXT)) {
        VKTreeItemInfo info;
        const ToolTreeItemData *data;
        int i;
        if (!VKTreeGetItem(tree, item, &info)) return;
        data = (const ToolTreeItemData *)info.param;
        for (i = 0; i < depth; ++i) fputs("  ", stdout);
        PutText(stdout, info.text);
        if (data) {
            printf(" [%d", (int)data->kind);
            if (data->categoryMark) fputs(" category", stdout);
            if (data->serialNumber[0]) {
                fputs(" serial=", stdout);
                PutText(stdout, data->serialNumber);
            }
            if (data->model[0]) {
                fputs(" model=", stdout);
                PutText(stdout, data->model);
            }
            fputs("]", stdout);
        }
        fputs("\n", stdout);
        List(tree, VKTreeNext(tree, item, VK_TREE_CHILD), depth + 1);
    }
}

int main(int argc, char **argv) {
    int listOnly = 0, i, shown = 0;
    const char *picture = NULL;
    char16_t toolsFile[1024] = {0};
    VKHWND tree;
    VKHTREEITEM logging = NULL, accessory = NULL, tcp = NULL;

    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--list") == 0) listOnly = 1;
        else if (strcmp(argv[i], "--picture") == 0 && i + 1 < argc) picture = argv[++i];
        else if (argv[i][0] == '-') {
            fprintf(stderr, "usage: %s [--list] [--picture FILE.png] [TOOLS_FILE]\n", argv[0]);
            return 2;
        } else ToText(toolsFile, sizeof toolsFile / sizeof toolsFile[0], argv[i]);
    }
    if (!toolsFile[0]) {
        const char16_t *config = VKGetTalvernDir(DirConfig);
        if (!config || !config[0]) {
            fputs("no installation: set VAULTKEEP_REGISTRY or name a tools file\n", stderr);
            return 1;
        }
        JoinText(toolsFile, sizeof toolsFile / sizeof toolsFile[0], config, u"tools.ini");
    }

    if (!listOnly) shown = VKUseDisplay();
    tree = VKCreateTreeWindow(u"Tools", 420, 520, 0, OnDelete, NULL);
    if (!tree) {
        fputs("the tree window cannot be made\n", stderr);
        return 1;
    }
    FillToolTree(tree, toolsFile, &logging, &accessory, &tcp);

    if (!shown) {
        List(tree, VKTreeNext(tree, NULL, VK_TREE_ROOT), 0);
        VKDestroyTreeWindow(tree);
    } else {
        VKTreeExpandAll(tree);
        if (picture) {
            const int ok = VKSaveWindowPicture(tree, picture);
            VKDestroyTreeWindow(tree);
            VKCloseDisplay();
            if (!ok) fprintf(stderr, "no picture written to %s\n", picture);
            return ok ? 0 : 1;
        }
        VKRunTreeWindow(tree);
        VKCloseDisplay();
    }
    (void)logging;
    (void)accessory;
    (void)tcp;
    return 0;
}
