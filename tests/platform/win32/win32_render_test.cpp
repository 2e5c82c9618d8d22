// The Windows renderer driven through its real windows: dialogs built from
// templates become system controls, and input given to those controls (clicks,
// typing, keys) changes the model, which is read back through ui.h.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/module/resources.h"
#include "platform/ui/treeview.h"
#include "platform/ui/ui.h"
#include "platform/ui/win32/win32_backend.h"
#include "platform/ui/win32/win32_internal.h"
#include "tests/support/renderer_support.h"

namespace vk::test {

namespace {

using namespace vk::ui;

VKHMODULE Module() { return const_cast<VKModule *>(&TestModule()); }

HWND H(VKHWND w) { return static_cast<HWND>(win32::HandleOf(w)); }
HWND Item(VKHWND dialog, int32_t id) { return H(GetDlgItem(dialog, id)); }

std::u16string ClassOf(HWND h) {
    wchar_t name[64] = {};
    ::GetClassNameW(h, name, 63);
    return reinterpret_cast<const char16_t *>(name);
}

void Spin(int rounds) {
    for (int k = 0; k < rounds; ++k) {
        PumpMessages();
        ::Sleep(5);
    }
}

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

class Win32Render : public ::testing::Test {
protected:
    void SetUp() override {
        ResetUiState();
        SeenLog().clear();
        if (!win32::Install()) GTEST_SKIP() << "no window station or display to draw on";
        ASSERT_STREQ(CurrentBackend().Name(), "win32");
    }
    void TearDown() override {
        ResetUiState();
        Spin(1);
    }
    static void TearDownTestSuite() { win32::Shutdown(); }
};

TEST_F(Win32Render, TemplatesBecomeSystemControlsThatFollowTheModel) {
    VKHWND d = CreateDialog(Module(), kOptionsDialog, nullptr, RecordingProc, 0);
    ASSERT_NE(d, nullptr);
    Spin(2);
    HWND frame = H(d);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(::IsWindowVisible(frame));
    EXPECT_EQ(win32::TextOf(frame), u"Options");
    EXPECT_EQ(::GetParent(Item(d, kEdit)), frame);
    EXPECT_EQ(ClassOf(Item(d, kEdit)), u"Edit");
    EXPECT_EQ(ClassOf(Item(d, kThree)), u"Button");
    EXPECT_EQ(ClassOf(Item(d, kTabs)), u"SysTabControl32");
    EXPECT_EQ(ClassOf(Item(d, kBar)), u"msctls_progress32");
    EXPECT_EQ(::GetDlgCtrlID(Item(d, kEdit)), kEdit);
    EXPECT_EQ(win32::TextOf(Item(d, kEdit)), u"first");

    // Dialog units become pixels as the model has them.
    RECT r;
    ::GetWindowRect(Item(d, kEdit), &r);
    ::MapWindowPoints(HWND_DESKTOP, frame, reinterpret_cast<POINT *>(&r), 2);
    const Rect model = GetWindowRect(GetDlgItem(d, kEdit));
    const Rect origin = GetWindowRect(d);
    EXPECT_EQ(r.left, model.x - origin.x);
    EXPECT_EQ(r.right - r.left, model.w);

    // Model changes reach the controls.
    SetDlgItemText(d, kEdit, u"second");
    CheckDlgButton(d, kThree, 2);
    ProgressSetRange(GetDlgItem(d, kBar), 0, 200);
    ProgressSetPos(GetDlgItem(d, kBar), 150);
    TabInsertItem(GetDlgItem(d, kTabs), 0, u"&Backup");
    TabInsertItem(GetDlgItem(d, kTabs), 1, u"Restore");
    TabSetCurSel(GetDlgItem(d, kTabs), 1);
    EnableWindow(GetDlgItem(d, kSkip), false);
    ShowWindow(GetDlgItem(d, kRadioB), false);
    EXPECT_EQ(win32::TextOf(Item(d, kEdit)), u"second");
    EXPECT_EQ(::SendMessageW(Item(d, kThree), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    EXPECT_EQ(::SendMessageW(Item(d, kBar), PBM_GETPOS, 0, 0), 150);
    EXPECT_EQ(::SendMessageW(Item(d, kTabs), TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(Item(d, kTabs), TCM_GETCURSEL, 0, 0), 1);
    EXPECT_FALSE(::IsWindowEnabled(Item(d, kSkip)));
    EXPECT_FALSE(::IsWindowVisible(Item(d, kRadioB)));
    EXPECT_EQ(::GetWindowLongPtrW(Item(d, kIdOk), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);

    // Destroying the model window destroys the system windows.
    DestroyWindow(d);
    Spin(1);
    EXPECT_FALSE(::IsWindow(frame));
}

TEST_F(Win32Render, InputOnTheControlsReachesTheModel) {
    VKHWND d = CreateDialog(Module(), kOptionsDialog, nullptr, RecordingProc, 0);
    ASSERT_NE(d, nullptr);
    TabInsertItem(GetDlgItem(d, kTabs), 0, u"One");
    TabInsertItem(GetDlgItem(d, kTabs), 1, u"Two");
    Spin(2);

    // Typing: the edit's change notification sets the model's text.
    ::SetWindowTextW(Item(d, kEdit), L"typed");
    EXPECT_EQ(GetDlgItemText(d, kEdit), u"typed");
    EXPECT_TRUE(SawCommand(kEdit, kEnChange));

    // A click on the three-state box: the model decides the next state.
    ::SendMessageW(Item(d, kThree), BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(d, kThree), 1);
    ::SendMessageW(Item(d, kThree), BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(d, kThree), 2);
    EXPECT_EQ(::SendMessageW(Item(d, kThree), BM_GETCHECK, 0, 0), BST_INDETERMINATE);

    // Radio buttons form a group in the model.
    ::SendMessageW(Item(d, kRadioA), BM_CLICK, 0, 0);
    ::SendMessageW(Item(d, kRadioB), BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(d, kRadioA), 0);
    EXPECT_EQ(IsDlgButtonChecked(d, kRadioB), 1);
    EXPECT_EQ(::SendMessageW(Item(d, kRadioA), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // A mouse click on the second tab.
    RECT tab{};
    ::SendMessageW(Item(d, kTabs), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));
    ::SendMessageW(Item(d, kTabs), WM_LBUTTONDOWN, MK_LBUTTON, Point((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2));
    ::SendMessageW(Item(d, kTabs), WM_LBUTTONUP, 0, Point((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2));
    EXPECT_EQ(TabGetCurSel(GetDlgItem(d, kTabs)), 1);
    EXPECT_TRUE(SawNotify(kTcnSelChange));

    // A disabled button takes no click.
    EnableWindow(GetDlgItem(d, kSkip), false);
    ::SendMessageW(Item(d, kSkip), BM_CLICK, 0, 0);
    EXPECT_FALSE(SawCommand(kSkip, kBnClicked));

    // The close box asks the model, which cancels the dialog.
    ::SendMessageW(H(d), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsDialogEnded(d));
    EXPECT_TRUE(SawCommand(kIdCancel, kBnClicked));
}

// A modal dialog runs the system's message pump: what the first tick of a
// model timer does to the real controls is served while DialogBox waits.
void (*g_onTick)(VKHWND dialog) = nullptr;

intptr_t ActOnFirstTick(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == kMsgInitDialog) {
        SetTimer(w, 1, 10);
        return 1;
    }
    if (msg == kMsgTimer) {
        KillTimer(w, 1);
        g_onTick(w);
        return 1;
    }
    return RecordingProc(w, msg, wparam, lparam);
}

TEST_F(Win32Render, ModalDialogsServeTheirControlsAndKeys) {
    g_onTick = [](VKHWND w) {
        ::SendMessageW(Item(w, kEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"from the pump"));
        ::PostMessageW(Item(w, kIdOk), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(DialogBox(Module(), kOptionsDialog, nullptr, ActOnFirstTick, 0), kIdOk);
    EXPECT_TRUE(SawCommand(kEdit, kEnChange));
    // Escape on a control goes through the model's key handling: Cancel.
    g_onTick = [](VKHWND w) { ::PostMessageW(Item(w, kEdit), WM_KEYDOWN, VK_ESCAPE, 0); };
    EXPECT_EQ(DialogBox(Module(), kOptionsDialog, nullptr, ActOnFirstTick, 0), kIdCancel);
    // Return clicks the default button.
    g_onTick = [](VKHWND w) { ::PostMessageW(Item(w, kEdit), WM_KEYDOWN, VK_RETURN, 0); };
    EXPECT_EQ(DialogBox(Module(), kOptionsDialog, nullptr, ActOnFirstTick, 0), kIdOk);
}

VKTreeItem *Add(VKHWND tree, VKTreeItem *parent, const char16_t *text) {
    TreeItemData data;
    data.mask = kTvifText;
    data.text = text;
    return TreeInsertItem(tree, parent, kTviLast, data);
}

UINT StateOf(HWND tree, HTREEITEM item) {
    return static_cast<UINT>(::SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK)) >> 12;
}

HTREEITEM Next(HWND tree, HTREEITEM item, WPARAM code) {
    return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}

RECT LabelRect(HWND tree, HTREEITEM item) {
    RECT r{};
    std::memcpy(&r, &item, sizeof item); // the item goes in, the rectangle comes back
    ::SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
    return r;
}

// The control point of an item's state image: left of its label.
POINT StateIconPoint(HWND tree, HTREEITEM item) {
    const RECT r = LabelRect(tree, item);
    POINT pt{r.left - 8, (r.top + r.bottom) / 2};
    TVHITTESTINFO hit{};
    hit.pt = pt;
    ::SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    EXPECT_EQ(hit.hItem, item);
    EXPECT_TRUE(hit.flags & TVHT_ONITEMSTATEICON) << std::hex << hit.flags;
    return pt;
}

// Spreads a click on a check box to the item's children, as the pages do.
intptr_t SpreadingPage(VKHWND, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == kMsgNotify) {
        const auto *n = reinterpret_cast<const Notify *>(lparam);
        SeenLog().push_back({msg, wparam, lparam, n->code});
        if (n->code != kNmClick) return 0;
        const TreeHit hit = TreeHitTest(n->from, n->x, n->y);
        if (!(hit.flags & kTvhtOnItemStateIcon)) return 0;
        TreeItemData data;
        TreeGetItem(n->from, hit.item, data);
        const int next = data.state == 2 ? 1 : 2;
        std::vector<VKTreeItem *> todo{hit.item};
        while (!todo.empty()) {
            VKTreeItem *x = todo.back();
            todo.pop_back();
            TreeItemData set;
            set.mask = kTvifState;
            set.state = next;
            TreeSetItem(n->from, x, set);
            for (VKTreeItem *c = TreeGetNext(n->from, x, TreeNext::Child); c; c = TreeGetNext(n->from, c, TreeNext::Next))
                todo.push_back(c);
        }
        return 1;
    }
    return 0;
}

TEST_F(Win32Render, CheckBoxTreeIsARealTreeViewWhoseClicksTheModelDecides) {
    VKHWND frame = CreateWindowOf(Kind::Window, nullptr, 0, u"Tree", {40, 40, 400, 300}, kStyleVisible, nullptr);
    VKHWND page = CreateDialog(Module(), kPageDialog, frame, SpreadingPage, 0);
    ASSERT_NE(page, nullptr);
    VKHWND tree = GetDlgItem(page, kTree);
    VKTreeItem *config = Add(tree, nullptr, u"Config");
    VKTreeItem *a = Add(tree, config, u"a.ini");
    VKTreeItem *b = Add(tree, config, u"b.ini");
    VKTreeItem *bin = Add(tree, nullptr, u"Bin");
    Add(tree, bin, u"tool.exe");
    win32::FlushTrees();
    HWND h = Item(page, kTree);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(ClassOf(h), u"SysTreeView32");
    EXPECT_EQ(::SendMessageW(h, TVM_GETCOUNT, 0, 0), 5);
    HTREEITEM hConfig = Next(h, nullptr, TVGN_ROOT);
    ASSERT_NE(hConfig, nullptr);
    EXPECT_EQ(StateOf(h, hConfig), 1u); // new items of a check-box tree start unchecked
    EXPECT_NE(::SendMessageW(h, TVM_GETIMAGELIST, TVSIL_STATE, 0), 0);

    // Expanding through the control's button.
    TreeExpand(tree, config, TreeExpandCode::Expand);
    win32::FlushTrees();
    EXPECT_TRUE(::SendMessageW(h, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(hConfig), TVIS_EXPANDED) & TVIS_EXPANDED);

    // A real click on the folder's check box: the page checks the subtree in
    // the model, and the control shows it.
    const POINT pt = StateIconPoint(h, hConfig);
    ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(pt.x, pt.y));
    ::SendMessageW(h, WM_LBUTTONUP, 0, Point(pt.x, pt.y));
    EXPECT_TRUE(SawNotify(kNmClick));
    TreeItemData data;
    ASSERT_TRUE(TreeGetItem(tree, config, data));
    EXPECT_EQ(data.state, 2);
    ASSERT_TRUE(TreeGetItem(tree, a, data));
    EXPECT_EQ(data.state, 2);
    ASSERT_TRUE(TreeGetItem(tree, b, data));
    EXPECT_EQ(data.state, 2);
    win32::FlushTrees();
    EXPECT_EQ(StateOf(h, hConfig), 2u);
    EXPECT_EQ(StateOf(h, Next(h, hConfig, TVGN_CHILD)), 2u);
    ASSERT_TRUE(TreeGetItem(tree, bin, data));
    EXPECT_EQ(data.state, 1);

    // A click on a label selects the item in the model and in the control.
    HTREEITEM hA = Next(h, hConfig, TVGN_CHILD);
    const RECT r = LabelRect(h, hA);
    ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(r.left + 3, (r.top + r.bottom) / 2));
    EXPECT_EQ(TreeGetSelection(tree), a);
    EXPECT_EQ(Next(h, nullptr, TVGN_CARET), hA);

    // Keys move the model's caret.
    ::SendMessageW(h, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(TreeGetSelection(tree), b);

    // Deleting and sorting in the model reshape the control.
    TreeDeleteItem(tree, a);
    Add(tree, nullptr, u"Alpha");
    TreeSortChildren(tree, nullptr, false);
    win32::FlushTrees();
    EXPECT_EQ(::SendMessageW(h, TVM_GETCOUNT, 0, 0), 5);
    wchar_t text[64] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = Next(h, nullptr, TVGN_ROOT);
    item.pszText = text;
    item.cchTextMax = 63;
    ::SendMessageW(h, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t *>(text)), u"Alpha");
    DestroyWindow(frame);
}

// A thread timer answers the system message box the model asks for.
void CALLBACK AnswerNo(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = ::FindWindowW(L"#32770", L"Question");
    if (!box) return;
    ::KillTimer(nullptr, id);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, IDNO)));
}

TEST_F(Win32Render, MessageBoxesAreTheSystemsAndDisableTheirOwner) {
    VKHWND owner = CreateWindowOf(Kind::Window, nullptr, 0, u"Owner", {40, 40, 300, 200}, kStyleVisible, nullptr);
    Spin(1);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &AnswerNo);
    EXPECT_EQ(MessageBox(owner, u"Continue?", u"Question", kMbYesNo | kMbIconQuestion), kIdNo);
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(IsEnabled(owner));
    EXPECT_TRUE(::IsWindowEnabled(H(owner)));
}

} // namespace

} // namespace vk::test
