// Runs the clipboard tests against a real X server of their own, so other programs (xclip) can
// offer and take images the way desktop programs do.
#include "support/xserver.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    korimo::test::XServer server;
    if (!::testing::GTEST_FLAG(list_tests)) {
        if (!server.start(false)) {
            std::fprintf(stderr, "Xvfb could not be started\n");
            return 1;
        }
        setenv("DISPLAY", server.display().c_str(), 1);
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int rc = 0;
    {
        QApplication app(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    return rc;
}
