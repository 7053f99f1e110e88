#include "forms/desktop.h"

#include "forms/runtime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <cstring>
#include <xcb/xcb.h>

namespace korimo::desktop {

namespace {

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool namesPlatform(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (argv[i] &&
            (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0))
            return true;
    return false;
}

// A shown window the manager has not put on screen yet.
bool awaitsMapping(const QWindow* w) {
    return w->isVisible() && !w->isExposed() && !(w->windowStates() & Qt::WindowMinimized) &&
           w->type() != Qt::ToolTip && w->type() != Qt::Popup;
}

} // namespace

void setOwner(QWidget* window, const QWidget* owner) {
    if (!window || !owner || !onX11())
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    const auto own = static_cast<xcb_window_t>(window->window()->winId());
    const auto by = static_cast<xcb_window_t>(owner->window()->winId());
    if (own == by)
        return;
    xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE, own, XCB_ATOM_WM_TRANSIENT_FOR,
                        XCB_ATOM_WINDOW, 32, 1, &by);
    xcb_flush(x11->connection());
}

bool preferX11(int argc, char** argv) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || namesPlatform(argc, argv))
        return false;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                         qgetenv("XDG_SESSION_TYPE") == QByteArrayLiteral("wayland");
    if (!wayland)
        return false;
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb"));
    return true;
}

void waitForShownWindows() {
    if (!onX11())
        return;
    auto pending = [] {
        for (const QWindow* w : QGuiApplication::topLevelWindows())
            if (awaitsMapping(w))
                return true;
        return false;
    };
    if (!pending())
        return;
    // Clicks and keys wait meanwhile: they belong to the state after the handler.
    const NestedLoopScope waiting;
    QElapsedTimer clock;
    clock.start();
    while (pending() && clock.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(2);
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace korimo::desktop
