#include "forms/desktop.h"

#include "forms/runtime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
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

QRect frameGeometry(const QWidget* window) {
    const QWidget* w = window ? window->window() : nullptr;
    if (!w)
        return {};
    const QRect known = w->frameGeometry();
    auto* x11 = onX11() ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !w->testAttribute(Qt::WA_WState_Created))
        return known;
    xcb_connection_t* c = x11->connection();
    // The manager's frame is the ancestor whose parent is the root.
    auto id = static_cast<xcb_window_t>(w->winId());
    for (int depth = 0; depth < 16; ++depth) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr);
        if (!tree)
            return known;
        const xcb_window_t parent = tree->parent, root = tree->root;
        std::free(tree);
        if (parent == root || parent == XCB_NONE)
            break;
        id = parent;
    }
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr);
    if (!g)
        return known;
    const qreal ratio = w->devicePixelRatioF();
    const int border = 2 * g->border_width;
    const QRect frame(qRound(g->x / ratio), qRound(g->y / ratio),
                      qRound((g->width + border) / ratio), qRound((g->height + border) / ratio));
    std::free(g);
    return frame;
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
