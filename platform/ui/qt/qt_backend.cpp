// The Qt backend: the QApplication, the modal loops, the wait cursor and
// the install and shutdown entry points.
#include "platform/ui/qt/qt_backend.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cstdlib>

#include "platform/ui/internal.h"
#include "platform/ui/qt/qt_internal.h"

namespace vk::ui::qt {

namespace {

class QtBackend;

// Never destroyed: at process exit Qt may already be partly gone, so what is
// left stays as it is (and reachable) instead of being torn down late.
struct Runtime {
    QApplication *app = nullptr;
    bool ownsApp = false;
    QtBackend *backend = nullptr;
    bool exiting = false;
};

Runtime &RT() {
    static auto *runtime = new Runtime();
    return *runtime;
}

class QtBackend final : public Backend {
public:
    QtBackend() : filter_(CreateInputFilter()) {
        qApp->installEventFilter(filter_);
        RT().backend = this;
    }
    ~QtBackend() override {
        Runtime &rt = RT();
        if (rt.backend == this) rt.backend = nullptr;
        if (rt.exiting) return;
        if (waitCursor_) QApplication::restoreOverrideCursor();
        if (qApp) qApp->removeEventFilter(filter_);
        delete filter_;
        DeleteAllWidgets();
    }
    QtBackend(const QtBackend &) = delete;
    QtBackend &operator=(const QtBackend &) = delete;

    const char *Name() const override { return "qt"; }
    bool HasDisplay() const override { return true; }

    void RunModal(VKHWND dialog) override {
        RunLoopUntil([dialog] { return IsDialogEnded(dialog); });
    }
    int MessageBox(VKHWND owner, std::u16string_view text, std::u16string_view caption, uint32_t flags) override {
        return ShowMessageBox(Live(owner), text, caption, flags);
    }
    bool FileDialog(FileDialogRequest &request) override { return ShowFileDialog(request); }
    void ProcessInput() override {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        FlushDeletedAndDeferred();
    }
    void WaitForInput(int timeoutMs) override {
        WaitForEvents(timeoutMs);
        FlushDeletedAndDeferred();
    }
    void WindowCreated(VKHWND w) override { CreateWidget(w); }
    int ButtonTextWidth(std::u16string_view text) override {
        QPushButton probe;
        probe.setText(ToQ(text));
        return probe.sizeHint().width();
    }
    void WindowChanged(VKHWND w) override { SyncWidget(w); }
    void WindowDestroyed(VKHWND w) override { Unmap(w); }
    void CursorChanged(int waitDepth) override {
        if (waitDepth > 0 && !waitCursor_) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            waitCursor_ = true;
        } else if (waitDepth == 0 && waitCursor_) {
            QApplication::restoreOverrideCursor();
            waitCursor_ = false;
        }
    }
    bool OpenUrl(const std::string &url) override {
        if (UrlLauncher launcher = GetUrlLauncher()) return launcher(url);
        return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
    }

private:
    QObject *filter_;
    bool waitCursor_ = false;
};

bool QtInstalled() { return RT().backend && &CurrentBackend() == RT().backend; }

// Widgets for windows made before the backend came.
void Adopt(VKWindow *w) {
    CreateWidget(w);
    for (VKWindow *c : std::vector<VKWindow *>(w->children)) Adopt(c);
}

// The model lays dialogs out in dialog units of a font about 13 pixels
// high with characters about 6 pixels wide; the widgets use such a font
// (a narrow sans where one is installed, else the desktop's own).
void UseDialogFont() {
    QFont font = QApplication::font();
    for (const char *family : {"Liberation Sans", "Arimo", "Arial", "Helvetica"}) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
            font.setFamily(QString::fromLatin1(family));
            break;
        }
    }
    font.setPixelSize(12);
    QApplication::setFont(font);
}

void MarkExiting() { RT().exiting = true; }

} // namespace

void WaitForEvents(int ms) {
    if (ms == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // The timer wakes the wait when nothing else arrives.
    QTimer wake;
    if (ms > 0) {
        wake.setSingleShot(true);
        wake.start(ms);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void RunLoopUntil(const std::function<bool()> &done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        FlushDeletedAndDeferred();
        if (done()) break;
        DeliverPostedAndTimers();
        if (done()) break;
        // The model's timers are not Qt timers: look at them often.
        WaitForEvents(10);
    }
}

bool Install(int &argc, char **argv) {
    // The backend slot exists before the exit hook below is registered, so
    // the hook runs before the slot (and a backend still in it) goes.
    (void)CurrentBackend();
    if (QtInstalled()) return true;
    Runtime &rt = RT();
    if (!QCoreApplication::instance()) {
        if (!DisplayReachable()) return false;
        rt.app = new QApplication(argc, argv);
        rt.ownsApp = true;
    } else if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        return false; // a Core or Gui application cannot show widgets
    }
    static bool hooked = false;
    if (!hooked) {
        hooked = true;
        std::atexit(MarkExiting);
    }
    QApplication::setQuitOnLastWindowClosed(false);
    UseDialogFont();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect a = screen->availableGeometry();
        SetWorkArea({a.x(), a.y(), a.width(), a.height()});
    }
    InstallBackend(std::make_unique<QtBackend>());
    for (VKHWND top : TopLevelWindows()) Adopt(top);
    if (WaitCursorDepth() > 0) CurrentBackend().CursorChanged(WaitCursorDepth());
    return true;
}

void Shutdown() {
    if (QtInstalled()) InstallBackend(nullptr);
    DeleteAllWidgets();
    Runtime &rt = RT();
    if (rt.ownsApp) {
        delete rt.app;
        rt.app = nullptr;
        rt.ownsApp = false;
    }
}

} // namespace vk::ui::qt

extern "C" int vkui_qt_install(void) {
    // QApplication keeps argc and argv for its lifetime.
    static int argc = 1;
    static char name[] = "vaultkeep";
    static char *argv[] = {name, nullptr};
    return vk::ui::qt::Install(argc, argv) ? 1 : 0;
}

extern "C" void vkui_qt_shutdown(void) { vk::ui::qt::Shutdown(); }

extern "C" int vkui_qt_save_screenshot(VKHWND window, const char *pngPath) {
    using namespace vk::ui;
    if (!pngPath || !qApp) return 0;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QWidget *widget = qt::WidgetOf(TopLevelOf(Live(window)));
    if (!widget) return 0;
    return widget->grab().toImage().save(QString::fromUtf8(pngPath), "PNG") ? 1 : 0;
}
