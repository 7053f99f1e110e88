#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Widget tests run without a display unless a test brings its own X server.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tarsk"));
    QApplication::setApplicationName(QStringLiteral("KorimoTests"));
    return RUN_ALL_TESTS();
}
