// The shared set-up of the Qt renderer's smoke tests.
#include "tests/platform/qt/qt_fixture.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdlib>

namespace vk::test {

namespace {

using namespace vk::ui;

// The widgets and the QApplication go before the process ends.
class QtEnvironment final : public ::testing::Environment {
public:
    void TearDown() override {
        ResetUiState();
        qt::Shutdown();
    }
};
[[maybe_unused]] const auto *const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

bool InstallQt() {
    // Run from ctest, the environment says offscreen already; run by hand,
    // no windows pop up either.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "vk_platform_qt_tests";
    static char *argv[] = {name, nullptr};
    return qt::Install(argc, argv);
}

void QtTest::SetUpTestSuite() { ASSERT_TRUE(InstallQt()); }

void QtTest::SetUp() {
    ResetUiState();
    ASSERT_TRUE(InstallQt()); // again after a test that shut it down
    ASSERT_STREQ(CurrentBackend().Name(), "qt");
    SeenLog().clear();
}

void QtTest::TearDown() {
    ResetUiState();
    Spin(0);
}

void Spin(int ms) {
    QElapsedTimer clock;
    clock.start();
    do {
        PumpMessages();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (clock.elapsed() < ms);
}

} // namespace vk::test
