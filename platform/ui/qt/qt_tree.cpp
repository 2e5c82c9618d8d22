// The tree-view control: a widget that paints the model's rows with the
// model's geometry (treeview.h) and hands mouse and keys to the model's own
// click handling, so the hit test the model and the page use is what the
// user clicks. Rows wider than the view scroll sideways (a view offset only:
// clicks reach the model at its own x), and the item under the pointer shows
// its whole text as a tooltip. Space toggles the focused item's check box.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

#include "platform/ui/qt/qt_internal.h"

namespace vk::ui::qt {

namespace {

VKTreeItem *ShownAt(VKWindow *w, int index) {
    VKTreeItem *item = TreeGetNext(w, nullptr, TreeNext::Root);
    for (; item && index > 0; --index) item = TreeGetNext(w, item, TreeNext::NextVisible);
    return item;
}

int ShownCount(VKWindow *w) {
    int n = 0;
    for (VKTreeItem *item = TreeGetNext(w, nullptr, TreeNext::Root); item;
         item = TreeGetNext(w, item, TreeNext::NextVisible))
        ++n;
    return n;
}

void NotifyExpanded(VKWindow *w, VKTreeItem *item) {
    Notify n;
    n.code = kTvnItemExpanded;
    n.item = item;
    n.param = item->param;
    n.action = static_cast<int32_t>(item->expanded ? TreeExpandCode::Expand : TreeExpandCode::Collapse);
    NotifyParent(w, n);
}

void DrawExpandButton(QPainter &p, const QPalette &palette, int x, int y, bool expanded) {
    const int cx = x + kTreeIndent / 2, cy = y + kTreeRowHeight / 2;
    const QRect box(cx - 4, cy - 4, 8, 8);
    p.setPen(palette.color(QPalette::Mid));
    p.setBrush(palette.color(QPalette::Base));
    p.drawRect(box);
    p.setPen(palette.color(QPalette::Text));
    p.drawLine(cx - 2, cy, cx + 2, cy);
    if (!expanded) p.drawLine(cx, cy - 2, cx, cy + 2);
}

class TreeWidget final : public QWidget {
public:
    explicit TreeWidget(QWidget *parent)
        : QWidget(parent), bar_(new QScrollBar(Qt::Vertical, this)), hbar_(new QScrollBar(Qt::Horizontal, this)) {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
        bar_->hide();
        hbar_->hide();
        bar_->setFocusPolicy(Qt::NoFocus);
        hbar_->setFocusPolicy(Qt::NoFocus);
        QObject::connect(bar_, &QScrollBar::valueChanged, this, [this](int value) {
            if (!Syncing()) ScrollTo(value);
        });
        // Sideways scrolling is the view's own: the model's rows keep their
        // positions and a click is handed on at the model's x.
        QObject::connect(hbar_, &QScrollBar::valueChanged, this, [this](int value) {
            if (value == left_) return;
            left_ = value;
            update();
        });
    }

    void ModelChanged() {
        update();
        // Many changes come in a row (a fill inserts thousands of items): the
        // scroll bar, which counts the shown items, follows once they are done.
        if (pending_) return;
        pending_ = true;
        QTimer::singleShot(0, this, [this] {
            pending_ = false;
            UpdateScrollBar();
        });
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        const QPalette &pal = palette();
        p.fillRect(rect(), pal.color(isEnabled() ? QPalette::Base : QPalette::Window));
        VKWindow *w = WindowOf(this);
        if (w && w->tree) {
            p.save();
            p.setClipRect(0, 0, ContentWidth(), ContentHeight());
            p.translate(-left_, 0);
            int y = 0;
            for (VKTreeItem *item = TreeGetNext(w, nullptr, TreeNext::FirstVisible); item && y < ContentHeight();
                 item = TreeGetNext(w, item, TreeNext::NextVisible), y += kTreeRowHeight)
                PaintRow(p, w, item, y);
            p.restore();
        }
        p.setPen(pal.color(QPalette::Mid));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

    void resizeEvent(QResizeEvent *e) override {
        QWidget::resizeEvent(e);
        UpdateScrollBar();
    }

    bool event(QEvent *e) override {
        if (e->type() != QEvent::ToolTip) return QWidget::event(e);
        // The full text of the item under the pointer, which a narrow view
        // may cut.
        auto *help = static_cast<QHelpEvent *>(e);
        VKWindow *w = WindowOf(this);
        const QPoint pt = ModelPoint(help->pos());
        const TreeHit hit = w ? TreeHitTest(w, pt.x(), pt.y()) : TreeHit{};
        if (hit.item && (hit.flags & (kTvhtOnItemLabel | kTvhtOnItemIcon | kTvhtOnItemRight)))
            QToolTip::showText(help->globalPos(), ToQ(hit.item->text), this);
        else
            QToolTip::hideText();
        return true;
    }

    void mousePressEvent(QMouseEvent *e) override {
        VKWindow *w = WindowOf(this);
        if (!w) return;
        const QPoint pt = ModelPoint(e->position().toPoint());
        setFocus(Qt::MouseFocusReason);
        if (WindowOf(this) != w) return;
        InputScope input;
        if (e->button() == Qt::LeftButton) {
            TreeClick(w, pt.x(), pt.y());
        } else if (e->button() == Qt::RightButton) {
            Notify n;
            n.code = kNmRightClick;
            n.item = TreeHitTest(w, pt.x(), pt.y()).item;
            n.x = pt.x();
            n.y = pt.y();
            NotifyParent(w, n);
        }
    }

    void mouseDoubleClickEvent(QMouseEvent *e) override {
        VKWindow *w = WindowOf(this);
        if (!w || e->button() != Qt::LeftButton) return;
        const QPoint pt = ModelPoint(e->position().toPoint());
        InputScope input;
        // The second click of a quick pair on a check box or a button counts
        // as a click of its own, so fast clicking toggles as often as clicked.
        if (TreeHitTest(w, pt.x(), pt.y()).flags & (kTvhtOnItemStateIcon | kTvhtOnItemButton))
            TreeClick(w, pt.x(), pt.y());
        else
            TreeDoubleClick(w, pt.x(), pt.y());
    }

    void wheelEvent(QWheelEvent *e) override {
        VKWindow *w = WindowOf(this);
        if (!w) return;
        if (e->angleDelta().x() != 0 && e->angleDelta().y() == 0) {
            hbar_->setValue(hbar_->value() - e->angleDelta().x() / 4);
            e->accept();
            return;
        }
        wheel_ += e->angleDelta().y();
        const int steps = wheel_ / 120;
        wheel_ -= steps * 120;
        if (steps != 0) ScrollTo(std::max(0, TreeScrollPos(w) - 3 * steps));
        e->accept();
    }

    void keyPressEvent(QKeyEvent *e) override {
        VKWindow *w = WindowOf(this);
        if (!w) return;
        InputScope input;
        VKTreeItem *sel = TreeGetSelection(w);
        VKTreeItem *target = nullptr;
        switch (e->key()) {
        case Qt::Key_Down:
            target = sel ? TreeGetNext(w, sel, TreeNext::NextVisible) : TreeGetNext(w, nullptr, TreeNext::Root);
            break;
        case Qt::Key_Up:
            target = sel ? TreeGetNext(w, sel, TreeNext::PreviousVisible) : TreeGetNext(w, nullptr, TreeNext::Root);
            break;
        case Qt::Key_Home:
            target = TreeGetNext(w, nullptr, TreeNext::Root);
            break;
        case Qt::Key_End:
            target = TreeGetNext(w, nullptr, TreeNext::LastVisible);
            break;
        case Qt::Key_PageDown:
        case Qt::Key_PageUp: {
            const TreeNext dir = e->key() == Qt::Key_PageDown ? TreeNext::NextVisible : TreeNext::PreviousVisible;
            target = sel;
            for (int k = TreeVisibleRows(w) - 1; target && k > 0; --k)
                if (VKTreeItem *n = TreeGetNext(w, target, dir)) target = n;
            break;
        }
        case Qt::Key_Left:
            if (sel && sel->firstChild && sel->expanded) {
                if (TreeExpand(w, sel, TreeExpandCode::Collapse)) NotifyExpanded(w, sel);
            } else if (sel) {
                target = TreeGetNext(w, sel, TreeNext::Parent);
            }
            break;
        case Qt::Key_Right:
            if (sel && sel->firstChild && !sel->expanded) {
                if (TreeExpand(w, sel, TreeExpandCode::Expand)) NotifyExpanded(w, sel);
            } else if (sel) {
                target = sel->firstChild;
            }
            break;
        case Qt::Key_Space:
            // The focused item's check box, under the owner's rules.
            if (e->modifiers() == Qt::NoModifier && TreeKeyToggle(w)) return;
            QWidget::keyPressEvent(e);
            return;
        default:
            QWidget::keyPressEvent(e);
            return;
        }
        if (target && target != sel && Live(w)) TreeSelectItem(w, target, TreeSelectCode::Caret);
    }

private:
    int ContentWidth() const { return width() - (bar_->isHidden() ? 0 : bar_->width()); }
    int ContentHeight() const { return height() - (hbar_->isHidden() ? 0 : hbar_->height()); }
    QPoint ModelPoint(QPoint widgetPoint) const { return QPoint(widgetPoint.x() + left_, widgetPoint.y()); }

    // The width the rows need: the right end of the widest label shown.
    int RowsWidth(VKWindow *w) const {
        const TreeState &s = *w->tree;
        const bool showState = (w->style & kStyleCheckBoxes) || s.hasState;
        const int fixed = kTreeIndent + (showState ? kTreeStateWidth : 0) + (s.hasNormal ? kTreeImageWidth : 0) +
                          2 * kTreeLabelPadding;
        const QFontMetrics metrics = fontMetrics();
        int most = 0;
        for (VKTreeItem *item = TreeGetNext(w, nullptr, TreeNext::Root); item;
             item = TreeGetNext(w, item, TreeNext::NextVisible)) {
            const int text = std::max(kTreeCharWidth * static_cast<int>(item->text.size()),
                                      metrics.horizontalAdvance(ToQ(item->text)));
            most = std::max(most, std::max(0, TreeItemDepth(w, item)) * kTreeIndent + fixed + text);
        }
        return most;
    }

    void PaintRow(QPainter &p, VKWindow *w, VKTreeItem *item, int y) {
        const TreeState &s = *w->tree;
        const QPalette &pal = palette();
        const bool showState = (w->style & kStyleCheckBoxes) || s.hasState;
        int x = std::max(0, TreeItemDepth(w, item)) * kTreeIndent;
        if (item->firstChild) DrawExpandButton(p, pal, x, y, item->expanded);
        x += kTreeIndent;
        if (showState) {
            if (item->state > 0) {
                const int size = s.hasState ? s.state.size : 16;
                const QRect target(x, y + (kTreeRowHeight - size) / 2, size, size);
                if (s.hasState) DrawListImage(p, s.state, item->state, target);
                else DrawStateCheckBox(p, this, target, item->state);
            }
            x += kTreeStateWidth;
        }
        const bool selected = item == s.selected || item == s.dropHighlight;
        if (s.hasNormal) {
            const int size = s.normal.size;
            DrawListImage(p, s.normal, selected ? item->selectedImage : item->image,
                          QRect(x, y + (kTreeRowHeight - size) / 2, size, size));
            x += kTreeImageWidth;
        }
        const QString text = ToQ(item->text);
        const int modelWidth = 2 * kTreeLabelPadding + kTreeCharWidth * static_cast<int>(item->text.size());
        const int textWidth = 2 * kTreeLabelPadding + fontMetrics().horizontalAdvance(text);
        const QRect label(x, y, std::max(modelWidth, textWidth), kTreeRowHeight);
        if (selected) {
            p.fillRect(label, hasFocus() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Midlight));
            p.setPen(hasFocus() ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
        } else {
            p.setPen(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
        }
        p.drawText(label.adjusted(kTreeLabelPadding, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   text);
    }

    void ScrollTo(int index) {
        VKWindow *w = WindowOf(this);
        if (!w) return;
        VKTreeItem *item = ShownAt(w, index);
        if (!item) item = TreeGetNext(w, nullptr, TreeNext::LastVisible);
        if (!item) return;
        InputScope input;
        TreeSelectItem(w, item, TreeSelectCode::FirstVisible);
    }

    void UpdateScrollBar() {
        VKWindow *w = WindowOf(this);
        if (!w || !w->tree) return;
        const int rows = TreeVisibleRows(w);
        const int most = std::max(0, ShownCount(w) - rows);
        SyncScope sync;
        const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        const bool vertical = most > 0;
        // Sideways: when the widest row is wider than the space beside the
        // vertical bar.
        const int rowsWidth = RowsWidth(w);
        const int room = width() - (vertical ? extent : 0);
        const bool sideways = rowsWidth > room;
        bar_->setGeometry(width() - extent, 0, extent, height() - (sideways ? extent : 0));
        bar_->setRange(0, most);
        bar_->setPageStep(std::max(1, rows));
        bar_->setValue(TreeScrollPos(w));
        hbar_->setGeometry(0, height() - extent, room, extent);
        hbar_->setRange(0, std::max(0, rowsWidth - room));
        hbar_->setPageStep(std::max(1, room));
        hbar_->setSingleStep(kTreeIndent);
        left_ = hbar_->value();
        if (bar_->isHidden() == vertical || hbar_->isHidden() == sideways) {
            bar_->setVisible(vertical);
            hbar_->setVisible(sideways);
            if (!sideways) left_ = 0;
        }
        update();
    }

    QScrollBar *bar_;
    QScrollBar *hbar_;
    int left_ = 0;
    bool pending_ = false;
    int wheel_ = 0;
};

} // namespace

QWidget *CreateTreeWidget(QWidget *parent) { return new TreeWidget(parent); }

void TreeWidgetChanged(QWidget *widget) { static_cast<TreeWidget *>(widget)->ModelChanged(); }

} // namespace vk::ui::qt
