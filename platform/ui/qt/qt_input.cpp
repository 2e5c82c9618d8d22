// Keys and focus: the application-wide filter that gives the model the keys
// a dialog handles (F1, Alt+letter, Return, Escape) through DeliverInput, so
// the message filter hook sees them first, and keeps the model's focus on
// the control that has Qt's focus.
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "platform/ui/qt/qt_internal.h"

namespace vk::ui::qt {

namespace {

enum class Role { None, Help, SysChar, Return, Escape };

Role RoleOf(const VKWindow *w, const QKeyEvent *e, char16_t &ch) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const int key = e->key();
    if (key == Qt::Key_F1 && mods == Qt::NoModifier) return Role::Help;
    if ((mods & Qt::AltModifier) && !(mods & (Qt::ControlModifier | Qt::MetaModifier))) {
        const bool shift = mods & Qt::ShiftModifier;
        if (key >= Qt::Key_A && key <= Qt::Key_Z) {
            ch = static_cast<char16_t>((shift ? u'A' : u'a') + (key - Qt::Key_A));
            return Role::SysChar;
        }
        if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            ch = static_cast<char16_t>(u'0' + (key - Qt::Key_0));
            return Role::SysChar;
        }
        return Role::None;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
        // A multi-line edit keeps its Return.
        if (w->kind == Kind::Edit && (w->style & kStyleMultiline)) return Role::None;
        return Role::Return;
    }
    if (key == Qt::Key_Escape && mods == Qt::NoModifier) return Role::Escape;
    return Role::None;
}

class InputFilter final : public QObject {
protected:
    bool eventFilter(QObject *object, QEvent *event) override {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
            return Key(object, static_cast<QKeyEvent *>(event));
        case QEvent::FocusIn:
            Focus(object);
            return false;
        default:
            return false;
        }
    }

private:
    static bool Key(QObject *object, QKeyEvent *e) {
        if (!object->isWidgetType()) return false;
        VKWindow *w = WindowAbove(object);
        if (!w) return false;
        char16_t ch = 0;
        const Role role = RoleOf(w, e, ch);
        if (role == Role::None) return false;
        if (e->type() == QEvent::ShortcutOverride) {
            // Qt's own shortcuts (button mnemonics, dialog keys) stay out:
            // the key comes as a key press, and the model decides.
            e->accept();
            return true;
        }
        InputScope input;
        switch (role) {
        case Role::Help:
            DeliverInput(w, kMsgKeyDown, kKeyF1, 0);
            break;
        case Role::SysChar:
            DeliverInput(w, kMsgSysChar, ch, 0);
            break;
        case Role::Return:
            // Return on a focused push button clicks that button.
            if (w->kind == Kind::Button && w->parent) ClickButton(w->parent, w->id);
            else DeliverInput(w, kMsgKeyDown, kKeyReturn, 0);
            break;
        case Role::Escape:
            DeliverInput(w, kMsgKeyDown, kKeyEscape, 0);
            break;
        case Role::None:
            break;
        }
        return true;
    }

    static void Focus(QObject *object) {
        if (Syncing() || !object->isWidgetType()) return;
        VKWindow *w = WindowAbove(object);
        if (!w || w->kind == Kind::Window || w->kind == Kind::Dialog || GetFocus() == w) return;
        InputScope input;
        SetFocus(w);
    }
};

} // namespace

QObject *CreateInputFilter() { return new InputFilter(); }

} // namespace vk::ui::qt
