// Which widget renders which window, the deferred deletion of widgets, and
// the guards that keep programmatic changes and user input apart.
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <unordered_map>
#include <vector>

#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/qt/qt_internal.h"

namespace vk::ui::qt {

namespace {

struct Registry {
    std::unordered_map<const VKWindow *, QPointer<QWidget>> widgets;
    std::unordered_map<const QObject *, VKWindow *> windows;
    std::vector<QPointer<QWidget>> doomed;
    int syncDepth = 0;
    int inputDepth = 0;
};

Registry &Reg() {
    static Registry registry;
    return registry;
}

} // namespace

QString ToQ(std::u16string_view text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }

std::u16string FromQ(const QString &text) {
    return std::u16string(reinterpret_cast<const char16_t *>(text.utf16()), static_cast<size_t>(text.size()));
}

QString WithoutMnemonics(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return ToQ(out);
}

QWidget *WidgetFor(const VKWindow *w) {
    auto &reg = Reg();
    const auto it = reg.widgets.find(w);
    return it == reg.widgets.end() ? nullptr : it->second.data();
}

QWidget *WidgetOf(VKHWND w) { return WidgetFor(w); }

VKWindow *WindowOf(const QObject *widget) {
    auto &reg = Reg();
    const auto it = reg.windows.find(widget);
    return it == reg.windows.end() ? nullptr : it->second;
}

VKWindow *WindowAbove(const QObject *object) {
    for (const QObject *o = object; o; o = o->parent()) {
        if (VKWindow *w = WindowOf(o)) return w;
        const auto *widget = qobject_cast<const QWidget *>(o);
        if (widget && widget->isWindow()) return nullptr;
    }
    return nullptr;
}

void Map(VKWindow *w, QWidget *widget) {
    auto &reg = Reg();
    reg.widgets[w] = widget;
    reg.windows[widget] = w;
}

void Unmap(VKWindow *w) {
    auto &reg = Reg();
    const auto it = reg.widgets.find(w);
    if (it == reg.widgets.end()) return;
    QPointer<QWidget> widget = it->second;
    reg.widgets.erase(it);
    if (!widget) return;
    reg.windows.erase(widget.data());
    QObject::disconnect(widget, nullptr, nullptr, nullptr);
    {
        SyncScope sync;
        widget->hide();
    }
    reg.doomed.push_back(widget);
    FlushDeleted();
}

void FlushDeleted() {
    auto &reg = Reg();
    if (reg.inputDepth > 0 || reg.doomed.empty()) return;
    // Children go with their parents; QPointer notices.
    std::vector<QPointer<QWidget>> doomed;
    doomed.swap(reg.doomed);
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it)
        if (*it) delete it->data();
}

void FlushDeletedAndDeferred() {
    FlushDeleted();
    if (Reg().inputDepth == 0) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void DeleteAllWidgets() {
    auto &reg = Reg();
    std::vector<QPointer<QWidget>> all(reg.doomed.begin(), reg.doomed.end());
    reg.doomed.clear();
    for (auto &[w, widget] : reg.widgets)
        if (widget && widget->isWindow()) all.push_back(widget);
    reg.widgets.clear();
    reg.windows.clear();
    for (auto &widget : all)
        if (widget) delete widget.data();
}

bool Syncing() { return Reg().syncDepth > 0; }

SyncScope::SyncScope() : outer(Reg().syncDepth == 0) { ++Reg().syncDepth; }
SyncScope::~SyncScope() { --Reg().syncDepth; }

InputScope::InputScope() { ++Reg().inputDepth; }
InputScope::~InputScope() { --Reg().inputDepth; }

} // namespace vk::ui::qt
