// One widget per window of the model, kept in step with it: creation by
// kind, the sync of every attribute after a change, and the signals that
// carry user input back into the model.
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QTextBrowser>
#include <QWindow>

#include <algorithm>

#include "platform/ui/qt/qt_internal.h"

namespace vk::ui::qt {

namespace {

// Frames and dialogs. The close box asks the model (kMsgClose) instead of
// closing; the model hides or destroys the window. Moves and resizes by the
// user are written back into the model's rectangle.
class FrameWidget final : public QWidget {
public:
    FrameWidget(QWidget *parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

protected:
    void closeEvent(QCloseEvent *e) override {
        e->ignore();
        VKWindow *w = WindowOf(this);
        if (!w || Syncing()) return;
        InputScope input;
        SendMessage(w, kMsgClose, 0, 0);
    }
    void moveEvent(QMoveEvent *e) override {
        QWidget::moveEvent(e);
        if (e->spontaneous()) Follow();
    }
    void resizeEvent(QResizeEvent *e) override {
        QWidget::resizeEvent(e);
        if (e->spontaneous()) Follow();
    }

private:
    void Follow() {
        VKWindow *w = WindowOf(this);
        if (!w || !isWindow() || Syncing()) return;
        Rect r = w->rect;
        r.x = pos().x();
        r.y = pos().y();
        if (w->style & kStyleResizable) {
            const bool frame = w->kind == Kind::Window;
            r.w = width() + (frame ? 2 * SystemMetric(Metric::BorderWidth) : 0);
            r.h = height() + (frame ? SystemMetric(Metric::CaptionHeight) + 2 * SystemMetric(Metric::BorderHeight) : 0);
        }
        if (r.x == w->rect.x && r.y == w->rect.y && r.w == w->rect.w && r.h == w->rect.h) return;
        InputScope input;
        MoveWindow(w, r, true);
    }
};

// Check boxes and radio buttons leave their state to the model: a click goes
// to ClickButton, which decides the next state (three-state boxes cycle
// unchecked, checked, indeterminate; radio groups are runs of neighbours).
class ModelCheckBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

class ModelRadio final : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    void nextCheckState() override {}
};

// A tab bar whose items take the size the model sets (TabSetItemSize).
class ModelTabBar final : public QTabBar {
public:
    using QTabBar::QTabBar;
    void SetItemSize(QSize size) {
        if (size == itemSize_) return;
        itemSize_ = size;
        updateGeometry();
        update();
    }

protected:
    QSize tabSizeHint(int index) const override {
        const QSize hint = QTabBar::tabSizeHint(index);
        return QSize(itemSize_.width() > 0 ? std::max(itemSize_.width(), hint.width()) : hint.width(),
                     itemSize_.height() > 0 ? itemSize_.height() : hint.height());
    }

private:
    QSize itemSize_;
};

// A tab control: the tab strip at the top and the frame of the body below,
// which the pages (sibling child dialogs) cover.
class TabControl final : public QWidget {
public:
    explicit TabControl(QWidget *parent) : QWidget(parent), bar_(new ModelTabBar(this)) {
        bar_->setDrawBase(false);
        bar_->setExpanding(false);
        setFocusProxy(bar_);
    }
    ModelTabBar *Bar() const { return bar_; }
    void Layout() { bar_->setGeometry(0, 0, width(), std::min(height(), bar_->sizeHint().height())); }

protected:
    void resizeEvent(QResizeEvent *e) override {
        QWidget::resizeEvent(e);
        Layout();
    }
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        QStyleOptionTabWidgetFrame opt;
        opt.initFrom(this);
        const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
        const int top = std::max(0, bar_->height() - overlap);
        opt.rect = QRect(0, top, width(), height() - top);
        opt.shape = QTabBar::RoundedNorth;
        opt.tabBarSize = bar_->size();
        opt.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        style()->drawPrimitive(QStyle::PE_FrameTabWidget, &opt, &p, this);
    }

private:
    ModelTabBar *bar_;
};

// Multi-line edits show '\n' where the model keeps "\r\n".
QString ToDisplayLines(const std::u16string &text) {
    QString s = ToQ(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

std::u16string FromDisplayLines(const QString &text) {
    QString s = text;
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return FromQ(s);
}

void ButtonClicked(QWidget *q) {
    if (Syncing()) return;
    VKWindow *w = WindowOf(q);
    if (!w || !w->parent) return;
    InputScope input;
    ClickButton(w->parent, w->id);
    // A refused click (or a procedure that reset the box) leaves the widget
    // as the model has it.
    if (WindowOf(q) == w) SyncWidget(w);
}

void TextEdited(QWidget *q, std::u16string text) {
    if (Syncing()) return;
    VKWindow *w = WindowOf(q);
    if (!w || w->text == text) return;
    InputScope input;
    SetWindowText(w, text);
    if (Live(w) && w->parent)
        SendMessage(w->parent, kMsgCommand, (static_cast<uintptr_t>(kEnChange) << 16) | static_cast<uint16_t>(w->id),
                    reinterpret_cast<intptr_t>(w));
}

Qt::WindowFlags TopLevelFlags(const VKWindow *w) {
    Qt::WindowFlags f = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (w->kind == Kind::Window) {
        f |= Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
        if (w->style & kStyleResizable) f |= Qt::WindowMaximizeButtonHint;
    } else {
        f |= Qt::Dialog;
        if (!(w->style & kStyleNoCloseBox)) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    return f;
}

QWidget *MakeControl(VKWindow *w, QWidget *parent) {
    switch (w->kind) {
    case Kind::Window:
    case Kind::Dialog:
        return new FrameWidget(parent, parent ? Qt::Widget : TopLevelFlags(w));
    case Kind::Static: {
        auto *label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        return label;
    }
    case Kind::Edit:
        if (w->style & kStyleRichText) {
            // Read-only HTML (the help manual in the program's text window).
            auto *browser = new QTextBrowser(parent);
            browser->setOpenExternalLinks(false);
            return browser;
        }
        if (w->style & kStyleMultiline) {
            auto *edit = new QPlainTextEdit(parent);
            QObject::connect(edit, &QPlainTextEdit::textChanged, edit,
                             [edit] { TextEdited(edit, FromDisplayLines(edit->toPlainText())); });
            return edit;
        } else {
            auto *edit = new QLineEdit(parent);
            QObject::connect(edit, &QLineEdit::textEdited, edit,
                             [edit](const QString &text) { TextEdited(edit, FromQ(text)); });
            return edit;
        }
    case Kind::Button: {
        auto *button = new QPushButton(parent);
        button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, button, [button] { ButtonClicked(button); });
        return button;
    }
    case Kind::CheckBox: {
        auto *box = new ModelCheckBox(parent);
        QObject::connect(box, &QCheckBox::clicked, box, [box] { ButtonClicked(box); });
        return box;
    }
    case Kind::Radio: {
        auto *radio = new ModelRadio(parent);
        radio->setAutoExclusive(false);
        QObject::connect(radio, &QRadioButton::clicked, radio, [radio] { ButtonClicked(radio); });
        return radio;
    }
    case Kind::GroupBox: {
        // A frame drawn behind the controls it surrounds; they stay children
        // of the dialog, as in the model.
        auto *group = new QGroupBox(parent);
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        group->setFocusPolicy(Qt::NoFocus);
        return group;
    }
    case Kind::Tab: {
        auto *tab = new TabControl(parent);
        QObject::connect(tab->Bar(), &QTabBar::currentChanged, tab, [tab](int index) {
            if (Syncing() || index < 0) return;
            VKWindow *w = WindowOf(tab);
            if (!w || w->tabSel == index) return;
            InputScope input;
            TabClick(w, index);
            if (WindowOf(tab) == w) SyncWidget(w);
        });
        return tab;
    }
    case Kind::Progress: {
        auto *bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    case Kind::TreeView:
        return CreateTreeWidget(parent);
    case Kind::ListBox:
        return new QListWidget(parent);
    }
    return nullptr;
}

void SyncTabs(VKWindow *w, TabControl *tab) {
    ModelTabBar *bar = tab->Bar();
    const int n = static_cast<int>(w->tabs.size());
    for (int i = 0; i < n; ++i) {
        const QString text = ToQ(w->tabs[static_cast<size_t>(i)]);
        if (i < bar->count()) {
            if (bar->tabText(i) != text) bar->setTabText(i, text);
        } else {
            bar->addTab(text);
        }
    }
    while (bar->count() > n) bar->removeTab(bar->count() - 1);
    bar->SetItemSize(QSize(w->tabItemW, w->tabItemH));
    if (w->tabSel >= 0 && w->tabSel < n && bar->currentIndex() != w->tabSel) bar->setCurrentIndex(w->tabSel);
    tab->Layout();
}

void SetTransientParent(VKWindow *w, QWidget *q) {
    QWidget *owner = WidgetFor(w->owner);
    if (!owner) return;
    q->winId();
    owner->winId();
    if (q->windowHandle() && owner->windowHandle()) q->windowHandle()->setTransientParent(owner->windowHandle());
}

void SyncTopLevel(VKWindow *w, QWidget *q) {
    // The model has no frames; a frame window's rectangle includes the caption
    // and borders that the layout formulas count, dialogs are all client area.
    int cw = w->rect.w, ch = w->rect.h;
    if (w->kind == Kind::Window) {
        cw -= 2 * SystemMetric(Metric::BorderWidth);
        ch -= SystemMetric(Metric::CaptionHeight) + 2 * SystemMetric(Metric::BorderHeight);
    }
    const QSize size(std::max(cw, 1), std::max(ch, 1));
    if (w->style & kStyleResizable) {
        if (q->size() != size) q->resize(size);
    } else if (q->minimumSize() != size || q->maximumSize() != size) {
        q->setFixedSize(size);
    }
    if (q->pos() != QPoint(w->rect.x, w->rect.y)) q->move(w->rect.x, w->rect.y);
    const QString title = ToQ(w->text);
    if (q->windowTitle() != title) q->setWindowTitle(title);
}

void ShowTopLevel(VKWindow *w, QWidget *q) {
    if (w->visible && !q->isVisible()) {
        SetTransientParent(w, q);
        q->show();
        BringToFront(q);
        // The focus the model gave a control while the window was hidden.
        VKWindow *f = Live(GetFocus());
        if (f && TopLevelOf(f) == w)
            if (QWidget *fq = WidgetFor(f)) fq->setFocus(Qt::OtherFocusReason);
    } else if (!w->visible && q->isVisible()) {
        q->hide();
    }
}

} // namespace

void BringToFront(QWidget *window) {
    // Offscreen windows have no stacking order (and Qt warns about raising).
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window->raise();
    window->activateWindow();
}

QWidget *CreateWidget(VKWindow *w) {
    if (!w || WidgetFor(w)) return WidgetFor(w);
    QWidget *parent = nullptr;
    if (w->parent) {
        parent = WidgetFor(w->parent);
        if (!parent) return nullptr;
    }
    QWidget *q = MakeControl(w, parent);
    if (!q) return nullptr;
    Map(w, q);
    if (w->kind == Kind::GroupBox) q->lower();
    SyncWidget(w);
    return q;
}

void SyncWidget(VKWindow *w) {
    QWidget *q = WidgetFor(w);
    if (!q) return;
    SyncScope sync;
    if (q->isWindow()) {
        SyncTopLevel(w, q);
    } else {
        const QRect r(w->rect.x, w->rect.y, std::max(w->rect.w, 0), std::max(w->rect.h, 0));
        if (q->geometry() != r) q->setGeometry(r);
    }
    if (q->isEnabled() != w->enabled) q->setEnabled(w->enabled);
    switch (w->kind) {
    case Kind::Window:
    case Kind::Dialog:
        break;
    case Kind::Static: {
        auto *label = static_cast<QLabel *>(q);
        const QString text = WithoutMnemonics(w->text);
        if (label->text() != text) label->setText(text);
        break;
    }
    case Kind::Edit:
        if (auto *edit = qobject_cast<QLineEdit *>(q)) {
            if (FromQ(edit->text()) != w->text) edit->setText(ToQ(w->text));
            edit->setReadOnly(w->style & kStyleReadOnly);
        } else if (auto *browser = qobject_cast<QTextBrowser *>(q)) {
            const QString html = ToQ(w->text);
            if (browser->property("vkHtml").toString() != html) {
                browser->setProperty("vkHtml", html);
                browser->setHtml(html);
            }
        } else if (auto *area = qobject_cast<QPlainTextEdit *>(q)) {
            if (FromDisplayLines(area->toPlainText()) != w->text) area->setPlainText(ToDisplayLines(w->text));
            area->setReadOnly(w->style & kStyleReadOnly);
        }
        break;
    case Kind::Button: {
        auto *button = static_cast<QPushButton *>(q);
        const QString text = ToQ(w->text);
        if (button->text() != text) button->setText(text);
        button->setDefault(w->style & kStyleDefault);
        break;
    }
    case Kind::CheckBox: {
        auto *box = static_cast<QCheckBox *>(q);
        const QString text = ToQ(w->text);
        if (box->text() != text) box->setText(text);
        box->setTristate((w->style & kStyleTriState) || w->check == 2);
        const Qt::CheckState state = w->check == 1 ? Qt::Checked : w->check == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
        if (box->checkState() != state) box->setCheckState(state);
        break;
    }
    case Kind::Radio: {
        auto *radio = static_cast<QRadioButton *>(q);
        const QString text = ToQ(w->text);
        if (radio->text() != text) radio->setText(text);
        if (radio->isChecked() != (w->check == 1)) radio->setChecked(w->check == 1);
        break;
    }
    case Kind::GroupBox: {
        auto *group = static_cast<QGroupBox *>(q);
        const QString text = ToQ(w->text);
        if (group->title() != text) group->setTitle(text);
        break;
    }
    case Kind::Tab:
        SyncTabs(w, static_cast<TabControl *>(q));
        break;
    case Kind::Progress: {
        auto *bar = static_cast<QProgressBar *>(q);
        const int lo = std::min(w->progressLo, w->progressHi), hi = std::max(w->progressLo, w->progressHi);
        if (bar->minimum() != lo || bar->maximum() != hi) bar->setRange(lo, hi);
        bar->setInvertedAppearance(w->progressLo > w->progressHi);
        if (bar->value() != w->progressPos) bar->setValue(w->progressPos);
        break;
    }
    case Kind::TreeView:
        TreeWidgetChanged(q);
        break;
    case Kind::ListBox:
        break;
    }
    if (q->isWindow()) {
        ShowTopLevel(w, q);
    } else if (q->isHidden() == w->visible) {
        q->setVisible(w->visible);
    }
    if (GetFocus() == w && q->isVisible() && !q->hasFocus() && w->kind != Kind::Window && w->kind != Kind::Dialog)
        q->setFocus(Qt::OtherFocusReason);
}

} // namespace vk::ui::qt
