// The tree view: clicks at the model's geometry act as the model's clicks,
// and the rows show the model's state images.
#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QScrollBar>
#include <QToolTip>
#include <QtTest/QTest>

#include "platform/ui/window.h"
#include "tests/platform/qt/qt_fixture.h"

namespace vk::test {
namespace {

using namespace vk::ui;

class QtTreeTest : public QtTest {
protected:
    void SetUp() override {
        QtTest::SetUp();
        auto *module = const_cast<VKModule *>(&TestModule());
        owner_ = CreateDialog(module, kOptionsDialog, nullptr, RecordingProc, 0);
        page_ = CreateDialog(module, kPageDialog, owner_, RecordingProc, 0);
        ASSERT_NE(page_, nullptr);
        tree_ = GetDlgItem(page_, kTree);
        TreeItemData data;
        data.mask = kTvifText;
        data.text = u"Config";
        root_ = TreeInsertItem(tree_, nullptr, kTviLast, data);
        data.text = u"a.ini";
        a_ = TreeInsertItem(tree_, root_, kTviLast, data);
        data.text = u"b.ini";
        TreeInsertItem(tree_, root_, kTviLast, data);
        TreeExpand(tree_, root_, TreeExpandCode::Expand);
        widget_ = qt::WidgetOf(tree_);
        ASSERT_NE(widget_, nullptr);
        Spin(0);
    }
    // Column x of a part of an item at `depth`, row `row`, and the row's middle.
    static QPoint StateIcon(int depth, int row) {
        return {depth * kTreeIndent + kTreeIndent + 8, row * kTreeRowHeight + kTreeRowHeight / 2};
    }
    QRgb PixelAt(QPoint p) { return widget_->grab().toImage().pixel(p); }

    VKHWND owner_ = nullptr, page_ = nullptr, tree_ = nullptr;
    VKTreeItem *root_ = nullptr, *a_ = nullptr;
    QWidget *widget_ = nullptr;
};

TEST_F(QtTreeTest, ClicksAtModelPositionsActAsModelClicks) {
    ASSERT_EQ(qt::WidgetOf(page_)->parentWidget(), qt::WidgetOf(owner_)); // a child page
    EXPECT_EQ(widget_->geometry().size(), QSize(Live(tree_)->rect.w, Live(tree_)->rect.h));
    const int labelX = kTreeIndent * 2 + kTreeStateWidth + 4;
    // On the check box: the state image advances (1 unchecked -> 2 checked).
    QTest::mouseClick(widget_, Qt::LeftButton, {}, StateIcon(0, 0));
    EXPECT_EQ(root_->state, 2);
    EXPECT_TRUE(SawNotify(kNmClick));
    // On a label: selected, and the page hears of it.
    QTest::mouseClick(widget_, Qt::LeftButton, {}, QPoint(kTreeIndent + labelX, kTreeRowHeight + 9));
    EXPECT_EQ(TreeGetSelection(tree_), a_);
    EXPECT_TRUE(SawNotify(kTvnSelChanged));
    // On the button: collapsed, with the expansion notice.
    QTest::mouseClick(widget_, Qt::LeftButton, {}, QPoint(kTreeIndent / 2, kTreeRowHeight / 2));
    EXPECT_FALSE(root_->expanded);
    EXPECT_TRUE(SawNotify(kTvnItemExpanded));
    // Keys move the selection and expand.
    widget_->setFocus();
    QTest::keyClick(widget_, Qt::Key_Right);
    EXPECT_TRUE(root_->expanded);
}

// A page that handles the click itself (non-zero result) keeps the control
// from advancing the state: the renderer must not advance it either.
TEST_F(QtTreeTest, HandledClickLeavesTheStateToThePage) {
    SetUserData(page_, 0);
    Live(page_)->proc = [](VKHWND w, uint32_t msg, uintptr_t, intptr_t lparam) -> intptr_t {
        if (msg != kMsgNotify || reinterpret_cast<const Notify *>(lparam)->code != kNmClick) return 0;
        SetUserData(w, GetUserData(w) + 1);
        return 1;
    };
    QTest::mouseClick(widget_, Qt::LeftButton, {}, StateIcon(0, 0));
    EXPECT_EQ(GetUserData(page_), 1);
    EXPECT_EQ(root_->state, 1);
}

TEST_F(QtTreeTest, RowsShowTheStateImagesOfTheModel) {
    ImageList states;
    ASSERT_EQ(ImageListAdd(states, const_cast<VKModule *>(&TestModule()), kStateImage), 0);
    ASSERT_TRUE(TreeSetImageList(tree_, TreeImageKind::State, states));
    Spin(0);
    // Frames 1, 2, 3 are red, green, blue; after the last the state wraps to 1.
    const struct {
        int state;
        QRgb colour;
    } cycle[] = {{1, kRed}, {2, kGreen}, {3, kBlue}, {1, kRed}};
    for (size_t i = 0; i < std::size(cycle); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(root_->state, cycle[i].state);
        EXPECT_EQ(PixelAt(StateIcon(0, 0)), cycle[i].colour);
        EXPECT_EQ(PixelAt(StateIcon(1, 1)), kRed); // a.ini stays unchecked
        QTest::mouseClick(widget_, Qt::LeftButton, {}, StateIcon(0, 0));
    }
}

TEST_F(QtTreeTest, DefaultCheckBoxesDifferByState) {
    // Without a state list, the three states are drawn as standard check
    // boxes: each looks different, and state 0 shows none.
    std::vector<QImage> seen;
    for (int state : {0, 1, 2, 3}) {
        TreeItemData data;
        data.mask = kTvifState;
        data.state = state;
        TreeSetItem(tree_, root_, data);
        Spin(0);
        seen.push_back(widget_->grab().toImage().copy(kTreeIndent, 0, kTreeStateWidth, kTreeRowHeight));
    }
    for (size_t i = 0; i < seen.size(); ++i)
        for (size_t j = i + 1; j < seen.size(); ++j) EXPECT_NE(seen[i], seen[j]) << i << " " << j;
}

TEST_F(QtTreeTest, ScrollBarFollowsTheModel) {
    TreeItemData data;
    data.mask = kTvifText;
    for (int k = 0; k < 40; ++k) {
        data.text = u"item" + std::u16string(1, static_cast<char16_t>(u'A' + k % 26));
        TreeInsertItem(tree_, root_, kTviLast, data);
    }
    Spin(0);
    auto *bar = widget_->findChild<QScrollBar *>();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), 43 - TreeVisibleRows(tree_));
    bar->setValue(5); // the user drags it
    EXPECT_EQ(TreeScrollPos(tree_), 5);
    // The model scrolls (ensure visible): the bar follows.
    TreeEnsureVisible(tree_, TreeGetNext(tree_, nullptr, TreeNext::LastVisible));
    Spin(0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

QScrollBar *Bar(QWidget *w, Qt::Orientation o) {
    for (QScrollBar *bar : w->findChildren<QScrollBar *>())
        if (bar->orientation() == o) return bar;
    return nullptr;
}

// A name wider than the view: a sideways scroll bar, clicks that still reach
// the model at its own x, and the whole text as a tooltip.
TEST_F(QtTreeTest, LongNamesScrollSidewaysAndShowTheirWholeText) {
    QScrollBar *sideways = Bar(widget_, Qt::Horizontal);
    ASSERT_NE(sideways, nullptr);
    EXPECT_FALSE(sideways->isVisible()); // short names fit
    const std::u16string name = u"CTS-4 (Combination string: gamma ray, casing collar, temperature and pressure, "
                                u"with the long description the tool database keeps)";
    TreeItemData data;
    data.mask = kTvifText;
    data.text = name;
    VKTreeItem *wide = TreeInsertItem(tree_, root_, kTviLast, data);
    Spin(0);
    ASSERT_TRUE(sideways->isVisible());
    EXPECT_GT(sideways->maximum(), 0);
    EXPECT_GE(sideways->maximum() + sideways->pageStep(),
              kTreeIndent * 2 + kTreeStateWidth + QFontMetrics(widget_->font()).horizontalAdvance(QString::fromStdU16String(name)));

    // Scrolled by 10 pixels: the check box of a.ini (row 1) lies 10 pixels
    // further left on the screen, and a click there is a click on it.
    sideways->setValue(10);
    const int before = a_->state;
    QTest::mouseClick(widget_, Qt::LeftButton, {}, StateIcon(1, 1) - QPoint(10, 0));
    EXPECT_NE(a_->state, before);

    // The tooltip over the wide row's label holds its whole text.
    const QPoint label(kTreeIndent * 2 + kTreeStateWidth + 20 - 10, 3 * kTreeRowHeight + kTreeRowHeight / 2);
    QHelpEvent help(QEvent::ToolTip, label, widget_->mapToGlobal(label));
    QApplication::sendEvent(widget_, &help);
    EXPECT_EQ(QToolTip::text().toStdU16String(), name);
    (void)wide;
}

// Space toggles the focused item's check box through the model's click, so
// the owner's rules apply as to the mouse.
TEST_F(QtTreeTest, SpaceTogglesTheFocusedCheckBox) {
    ASSERT_TRUE(TreeSelectItem(tree_, a_));
    widget_->setFocus();
    Spin(0);
    const int before = a_->state;
    QTest::keyClick(widget_, Qt::Key_Space);
    EXPECT_NE(a_->state, before);
    EXPECT_TRUE(SawNotify(kNmClick));
    QTest::keyClick(widget_, Qt::Key_Space);
    EXPECT_EQ(a_->state, before); // unchecked and checked only: back where it was
}

} // namespace
} // namespace vk::test
