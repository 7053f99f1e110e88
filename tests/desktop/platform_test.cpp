#include "windowsystem.h"

#include "support/waiting.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace korimo::test;

namespace {

const QString kTitle = QStringLiteral("Korimo v3.0");

// The program started on a Wayland desktop: a headless compositor of the test's own, with this
// test's X server standing in for XWayland; its settings go to a scratch home.
class ProgramOnWaylandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime.isValid());
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        compositor.setProcessEnvironment(env);
        compositor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        compositor.setStandardOutputFile(QProcess::nullDevice());
        compositor.start(QStringLiteral("weston"),
                         {QStringLiteral("--backend=headless-backend.so"),
                          QStringLiteral("--socket=") + kSocket, QStringLiteral("--idle-time=0")});
        ASSERT_TRUE(compositor.waitForStarted(10000));
        ASSERT_TRUE(waitFor([&] { return QFile::exists(runtime.filePath(kSocket)); }, 20000))
            << "the compositor did not come up";
    }
    void TearDown() override { stop(compositor); }

    std::unique_ptr<QProcess> start(const QStringList& args, const QString& platform = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), kSocket);
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (!platform.isEmpty())
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(KORIMO_PROGRAM), args);
        EXPECT_TRUE(process->waitForStarted(10000));
        return process;
    }
    static void stop(QProcess& process) {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(5000);
    }

    const QString kSocket = QStringLiteral("korimo-test-wayland");
    QTemporaryDir runtime;
    QProcess compositor;
    QTemporaryDir home;
};

} // namespace

TEST_F(ProgramOnWaylandTest, WithAnXDisplayAtHandTheProgramRunsOnItsWindowSystem) {
    auto program = start({});
    EXPECT_TRUE(waitFor([] { return !windowsNamed(kTitle).isEmpty(); }, 20000))
        << "no main window came up on the X display";
    EXPECT_EQ(program->state(), QProcess::Running);
    stop(*program);
}

TEST_F(ProgramOnWaylandTest, APlatformTheUserNamedIsKept) {
    // Both ask for Wayland: the program runs there, and nothing comes up on X.
    auto byVariable = start({}, QStringLiteral("wayland"));
    auto byArgument = start({QStringLiteral("-platform"), QStringLiteral("wayland")});
    pumpFor(4000);
    EXPECT_EQ(byVariable->state(), QProcess::Running);
    EXPECT_EQ(byArgument->state(), QProcess::Running);
    EXPECT_TRUE(windowsNamed(kTitle).isEmpty());
    stop(*byVariable);
    stop(*byArgument);
}
