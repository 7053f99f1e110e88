#include "support/diskfaults.h"
#include "support/xserver.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// A modal window nobody answers would block its test until ctest's time limit and say nothing
// of why. Tests answer the windows they expect within milliseconds, so one still up after this
// long is reported with its texts and closed, and the test goes on to fail with that message.
constexpr int kStrayModalMs = 15000;

void watchForStrayModals() {
    static QPointer<QWidget> seen;
    static int seenForMs = 0;
    constexpr int kPollMs = 500;
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != seen) {
            seen = modal;
            seenForMs = 0;
            return;
        }
        if (!modal || (seenForMs += kPollMs) < kStrayModalMs)
            return;
        QStringList texts;
        for (const QLabel* label : modal->findChildren<QLabel*>())
            if (!label->text().isEmpty())
                texts << label->text();
        ADD_FAILURE() << "a modal window was left unanswered: " << modal->metaObject()->className()
                      << " \"" << modal->windowTitle().toStdString() << "\" "
                      << texts.join(QStringLiteral(" | ")).toStdString();
        seenForMs = 0;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    });
    timer->start(kPollMs);
}

// A test that hangs anywhere else is stopped before ctest's own limit (120 s and more), with
// every thread's stack when gdb is there, so a hang seen once on a loaded machine can be traced.
// The slowest test takes about ten seconds.
constexpr auto kHangLimit = std::chrono::seconds(90);
std::atomic<std::chrono::steady_clock::rep> g_testStarted{0};

class HangWatch : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        g_testStarted = std::chrono::steady_clock::now().time_since_epoch().count();
    }
    void OnTestEnd(const ::testing::TestInfo&) override { g_testStarted = 0; }
};

void watchForHangs() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new HangWatch);
    std::thread([] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            const auto started = g_testStarted.load();
            if (started == 0)
                continue;
            const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
            if (std::chrono::steady_clock::duration(now - started) < kHangLimit)
                continue;
            std::fprintf(stderr, "The test has run for %lld s; the stacks of its threads:\n",
                         static_cast<long long>(kHangLimit.count()));
            std::fflush(stderr);
            const std::string gdb = "gdb -p " + std::to_string(::getpid()) +
                                    " -batch -ex 'thread apply all bt 40' 1>&2 2>/dev/null";
            [[maybe_unused]] const int ignored = std::system(gdb.c_str());
            std::abort();
        }
    }).detach();
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Per-user settings, data and caches go into a folder of this run's own, so that runs side
    // by side, and the user's own files, never meet.
    const QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "no temporary folder for the per-user files\n");
        return 1;
    }
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        const QString dir = home.filePath(QString::fromLatin1(name).toLower());
        QDir().mkpath(dir);
        qputenv(name, QFile::encodeName(dir));
    }
    // Before any thread starts, so that every thread shares the mounts tests make.
    korimo::test::enterPrivateMountNamespace();
    // The desktop tier runs each test on an X server of its own with a real window manager.
    korimo::test::XServer desktop;
    if (qEnvironmentVariableIsSet("KORIMO_TEST_DESKTOP") && !::testing::GTEST_FLAG(list_tests)) {
        if (!desktop.start(true)) {
            std::fprintf(stderr, "Xvfb with openbox could not be started\n");
            return 1;
        }
        setenv("DISPLAY", desktop.display().c_str(), 1);
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    // Widget tests run without a display unless a test brings its own X server.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || ::testing::GTEST_FLAG(list_tests))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tarsk"));
    QApplication::setApplicationName(QStringLiteral("KorimoTests"));
    watchForStrayModals();
    watchForHangs();
    return RUN_ALL_TESTS();
}
