// Message boxes and the Open and Save file dialogs. Both run modally while
// the model's posted messages and timers keep being delivered, as a system
// message box does.
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QWindow>

#include <vector>

#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/qt/qt_internal.h"

namespace vk::ui::qt {

namespace {

struct BoxButton {
    int32_t id;
    QMessageBox::StandardButton button;
};

std::vector<BoxButton> ButtonsOf(uint32_t flags) {
    switch (flags & 0xF) {
    case kMbOkCancel: return {{kIdOk, QMessageBox::Ok}, {kIdCancel, QMessageBox::Cancel}};
    case kMbAbortRetryIgnore:
        return {{kIdAbort, QMessageBox::Abort}, {kIdRetry, QMessageBox::Retry}, {kIdIgnore, QMessageBox::Ignore}};
    case kMbYesNoCancel:
        return {{kIdYes, QMessageBox::Yes}, {kIdNo, QMessageBox::No}, {kIdCancel, QMessageBox::Cancel}};
    case kMbYesNo: return {{kIdYes, QMessageBox::Yes}, {kIdNo, QMessageBox::No}};
    case kMbRetryCancel: return {{kIdRetry, QMessageBox::Retry}, {kIdCancel, QMessageBox::Cancel}};
    default: return {{kIdOk, QMessageBox::Ok}};
    }
}

QMessageBox::Icon IconOf(uint32_t flags) {
    switch (flags & 0xF0) {
    case kMbIconError: return QMessageBox::Critical;
    case kMbIconQuestion: return QMessageBox::Question;
    case kMbIconWarning: return QMessageBox::Warning;
    case kMbIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// Boxes and file dialogs have no Qt parent: the model disables the owner
// while they run, and a Qt child of a disabled window would be disabled too.
// The owner is their transient parent instead, so they stay above it.
void StayAbove(QWidget *dialog, VKWindow *owner) {
    QWidget *o = WidgetFor(TopLevelOf(owner));
    if (!o || !o->isVisible()) return;
    dialog->winId();
    if (dialog->windowHandle() && o->windowHandle()) dialog->windowHandle()->setTransientParent(o->windowHandle());
}

// Runs a dialog modally until it is finished.
void RunDialog(QDialog &dialog, VKWindow *owner) {
    bool finished = false;
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&finished] { finished = true; });
    dialog.setWindowModality(Qt::ApplicationModal);
    StayAbove(&dialog, owner);
    dialog.show();
    BringToFront(&dialog);
    RunLoopUntil([&] { return finished || !dialog.isVisible(); });
    dialog.hide();
}

} // namespace

QStringList NameFilters(std::u16string_view filter) {
    QStringList out;
    std::vector<std::u16string_view> parts;
    size_t start = 0;
    while (start < filter.size()) {
        const size_t end = filter.find(u'\0', start);
        const std::u16string_view part = filter.substr(start, end == std::u16string_view::npos ? end : end - start);
        if (part.empty()) break; // the closing NUL
        parts.push_back(part);
        if (end == std::u16string_view::npos) break;
        start = end + 1;
    }
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = ToQ(parts[i + 1]).trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns = patterns.simplified();
        // Descriptions made by BuildOFNFilter already end in "(patterns)",
        // as the Windows dialog wants them; Qt shows that part itself.
        QString description = ToQ(parts[i]).trimmed();
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')'))) {
            QString shown = description.mid(open + 1, description.size() - open - 2).trimmed();
            shown.replace(QLatin1Char(';'), QLatin1Char(' '));
            if (shown.simplified() == patterns) description = description.left(open).trimmed();
        }
        out << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

int ShowMessageBox(VKWindow *owner, std::u16string_view text, std::u16string_view caption, uint32_t flags) {
    QMessageBox box;
    box.setWindowTitle(ToQ(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(ToQ(text));
    box.setIcon(IconOf(flags));
    const std::vector<BoxButton> buttons = ButtonsOf(flags);
    std::vector<QPushButton *> made;
    for (const BoxButton &b : buttons) made.push_back(box.addButton(b.button));
    size_t def = (flags & kMbDefButton3) ? 2 : (flags & kMbDefButton2) ? 1 : 0;
    if (def >= made.size()) def = 0;
    box.setDefaultButton(made[def]);
    // Escape and the close box give Cancel where there is one, OK on a box
    // with OK alone; otherwise the box waits for a button.
    int32_t escapeId = 0;
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].id == kIdCancel || (buttons.size() == 1 && buttons[i].id == kIdOk)) {
            box.setEscapeButton(made[i]);
            escapeId = buttons[i].id;
        }
    }
    if (!escapeId) box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    RunDialog(box, owner);
    for (size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i]) return buttons[i].id;
    return escapeId ? escapeId : buttons[def].id;
}

bool ShowFileDialog(FileDialogRequest &request) {
    QFileDialog dialog;
    // The same dialog on every desktop and offscreen: the model's loop runs it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(ToQ(request.title));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!request.save && request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (request.save && !request.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = NameFilters(request.filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!request.defaultExt.empty()) dialog.setDefaultSuffix(ToQ(request.defaultExt));
    if (!request.initialDir.empty()) dialog.setDirectory(ToQ(request.initialDir));
    if (!request.file.empty()) dialog.selectFile(ToQ(request.file));
    RunDialog(dialog, Live(request.owner));
    if (dialog.result() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return false;
    request.file = FromQ(chosen.front());
    return true;
}

} // namespace vk::ui::qt
