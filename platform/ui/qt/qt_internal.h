// Links between the files of the Qt renderer (not for code outside ui/qt).
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <string_view>

#include "platform/ui/window.h"

class QImage;
class QObject;
class QPainter;
class QRect;
class QWidget;

namespace vk::ui::qt {

QString ToQ(std::u16string_view text);
std::u16string FromQ(const QString &text);
// Control text without its '&' mnemonic marks ("&&" stays one '&').
QString WithoutMnemonics(std::u16string_view text);

// ---- qt_registry.cpp: which widget renders which window ----
QWidget *WidgetFor(const VKWindow *w);
// The window a widget renders (exact match), or null.
VKWindow *WindowOf(const QObject *widget);
// The window of the widget or of its nearest ancestor inside the same Qt
// window (a tab control's inner tab bar belongs to the tab control).
VKWindow *WindowAbove(const QObject *object);
void Map(VKWindow *w, QWidget *widget);
// Forgets the window's widget; the widget is hidden, cut off from its signals
// and deleted once no input handler runs (it may be the one that sent the
// input that destroyed the window).
void Unmap(VKWindow *w);
// Deletes the widgets of destroyed windows when no input handler runs.
void FlushDeleted();
// Also runs the deferred deletes Qt itself posted (deleteLater), which the
// model's loop would otherwise never reach: it calls processEvents, not exec.
// For the loops only, never from inside a Qt handler.
void FlushDeletedAndDeferred();
// Deletes every widget at once (shutdown).
void DeleteAllWidgets();

// Programmatic changes of widgets raise Qt signals; they must not go back to
// the model as user input.
bool Syncing();
struct SyncScope {
    SyncScope();
    ~SyncScope();
    SyncScope(const SyncScope &) = delete;
    SyncScope &operator=(const SyncScope &) = delete;
    bool outer;
};
// Marks user input running in the model (widgets are not deleted meanwhile).
struct InputScope {
    InputScope();
    ~InputScope();
    InputScope(const InputScope &) = delete;
    InputScope &operator=(const InputScope &) = delete;
};

// ---- qt_widgets.cpp: one widget per window, kept in step with the model ----
QWidget *CreateWidget(VKWindow *w);
void SyncWidget(VKWindow *w);
// Raises and activates a top-level widget (where the platform has a stack).
void BringToFront(QWidget *window);

// ---- qt_tree.cpp: the tree-view control ----
QWidget *CreateTreeWidget(QWidget *parent);
void TreeWidgetChanged(QWidget *widget);

// ---- qt_images.cpp ----
// The pixels of a module image as a QImage (cached), or null.
const QImage *ModuleImage(const VKModule *module, int32_t imageId);
// Draws frame `index` of an image list into `target`; false when there is
// no such frame.
bool DrawListImage(QPainter &painter, const ImageList &list, int index, const QRect &target);
// A standard check box for state images 1 (unchecked), 2 (checked) and
// 3 (partly checked), for check-box trees without a state list of their own.
void DrawStateCheckBox(QPainter &painter, QWidget *widget, const QRect &target, int state);

// ---- qt_boxes.cpp ----
int ShowMessageBox(VKWindow *owner, std::u16string_view text, std::u16string_view caption, uint32_t flags);
bool ShowFileDialog(FileDialogRequest &request);

// ---- qt_backend.cpp: waiting while the model keeps running ----
// Processes Qt events, waiting up to `ms` milliseconds for one (-1: until one
// arrives).
void WaitForEvents(int ms);
// Runs Qt events, the model's posted messages and timers until done().
void RunLoopUntil(const std::function<bool()> &done);

// ---- qt_input.cpp ----
// The application-wide filter that turns keys into model input (F1,
// Alt+letter, Return, Escape) and keeps the model's focus in step.
QObject *CreateInputFilter();

} // namespace vk::ui::qt
