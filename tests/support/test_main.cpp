#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

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

} // namespace

int main(int argc, char** argv) {
    // Widget tests run without a display unless a test brings its own X server.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tarsk"));
    QApplication::setApplicationName(QStringLiteral("KorimoTests"));
    watchForStrayModals();
    return RUN_ALL_TESTS();
}
