#include "forms/desktop.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
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

QPointer<QWidget>& wanted() {
    static QPointer<QWidget> window;
    return window;
}

// The X window of a top-level widget, made now when it has none yet. Not through winId(): on an
// owned window that marks the owner as one with native children, and every control of the owner
// then gets an X window of its own, which takes the owner's presses from it.
xcb_window_t nativeWindow(QWidget* window) {
    if (!window->testAttribute(Qt::WA_WState_Created) || !window->internalWinId())
        window->createWinId();
    return static_cast<xcb_window_t>(window->internalWinId());
}

bool onScreen(const QWidget* w) {
    return w->isVisible() && !w->isMinimized() && w->windowHandle() &&
           w->windowHandle()->isExposed();
}

} // namespace

void setOwner(QWidget* window, const QWidget* owner) {
    if (!window || !owner || !onX11())
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    const xcb_window_t own = nativeWindow(window->window());
    const xcb_window_t by = nativeWindow(const_cast<QWidget*>(owner->window()));
    if (own == by)
        return;
    xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE, own, XCB_ATOM_WM_TRANSIENT_FOR,
                        XCB_ATOM_WINDOW, 32, 1, &by);
    xcb_flush(x11->connection());
}

void setToolFrame(QWidget* window) {
    if (!window || !onX11())
        return;
    QWidget* w = window->window();
    // Qt hands the type to the native window it has when the attribute changes, not to one it
    // makes later (a new parent makes a new one), so it is set afresh on the window now there.
    nativeWindow(w);
    w->setAttribute(Qt::WA_X11NetWmWindowTypeToolBar, false);
    w->setAttribute(Qt::WA_X11NetWmWindowTypeToolBar, true);
}

QRect frameGeometry(const QWidget* window) {
    const QWidget* w = window ? window->window() : nullptr;
    if (!w)
        return {};
    const QRect known = w->frameGeometry();
    auto* x11 = onX11() ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !w->testAttribute(Qt::WA_WState_Created) ||
        !w->internalWinId())
        return known;
    xcb_connection_t* c = x11->connection();
    // The manager's frame is the ancestor whose parent is the root.
    auto id = static_cast<xcb_window_t>(w->internalWinId());
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

QRect keptInside(const QRect& frame, const QRect& area) {
    if (!area.isValid())
        return frame;
    QRect kept = frame;
    kept.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())));
    kept.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
    return kept;
}

bool buttonHeld(int button) {
    const Qt::MouseButton qtButton = button == 2   ? Qt::RightButton
                                     : button == 4 ? Qt::MiddleButton
                                                   : Qt::LeftButton;
    auto* x11 = onX11() ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    const xcb_setup_t* setup = c ? xcb_get_setup(c) : nullptr;
    if (!setup)
        return QGuiApplication::mouseButtons() & qtButton;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    xcb_query_pointer_reply_t* pointer =
        xcb_query_pointer_reply(c, xcb_query_pointer(c, screen->root), nullptr);
    if (!pointer)
        return QGuiApplication::mouseButtons() & qtButton;
    // X numbers the right button 3 and the middle one 2.
    const uint16_t mask = button == 2   ? XCB_BUTTON_MASK_3
                          : button == 4 ? XCB_BUTTON_MASK_2
                                        : XCB_BUTTON_MASK_1;
    const bool held = pointer->mask & mask;
    std::free(pointer);
    return held;
}

namespace {

xcb_atom_t atomNamed(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

bool managerSupports(xcb_connection_t* c, xcb_window_t root, xcb_atom_t what) {
    const xcb_atom_t supported = atomNamed(c, "_NET_SUPPORTED");
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr);
    if (!reply)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    const int count = xcb_get_property_value_length(reply) / int(sizeof(xcb_atom_t));
    const bool found = std::find(atoms, atoms + count, what) != atoms + count;
    std::free(reply);
    return found;
}

// _NET_WM_MOVERESIZE's action for a move.
constexpr uint32_t kMoveAction = 8;

bool sendMove(xcb_connection_t* c, xcb_window_t rootWindow, xcb_window_t window, QPoint root) {
    const xcb_atom_t moveResize = atomNamed(c, "_NET_WM_MOVERESIZE");
    if (!managerSupports(c, rootWindow, moveResize))
        return false;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = moveResize;
    message.data.data32[0] = static_cast<uint32_t>(root.x());
    message.data.data32[1] = static_cast<uint32_t>(root.y());
    message.data.data32[2] = kMoveAction;
    message.data.data32[3] = XCB_BUTTON_INDEX_1;
    message.data.data32[4] = 1; // asked by an application
    // The manager takes the pointer for the move; the program lets go of it first.
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    xcb_send_event(c, 0, rootWindow,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
    return true;
}

} // namespace

bool startSystemMove(QWidget* window, QPoint pressed) {
    auto* x11 = onX11() ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    QWidget* w = window ? window->window() : nullptr;
    if (!c || !w || !w->internalWinId())
        return false;
    // Where the press was on the screen, from the window system: Qt's own account of the last
    // pointer position may already hold moves that came after the press.
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const auto id = static_cast<xcb_window_t>(w->internalWinId());
    const qreal ratio = w->devicePixelRatioF();
    xcb_translate_coordinates_reply_t* at = xcb_translate_coordinates_reply(
        c,
        xcb_translate_coordinates(c, id, screen->root,
                                  static_cast<int16_t>(qRound(pressed.x() * ratio)),
                                  static_cast<int16_t>(qRound(pressed.y() * ratio))),
        nullptr);
    if (!at)
        return false;
    const QPoint root(at->dst_x, at->dst_y);
    std::free(at);
    return sendMove(c, screen->root, id, root);
}

void activate(QWidget* window) {
    QWidget* w = window ? window->window() : nullptr;
    if (!w)
        return;
    if (!onX11()) {
        w->activateWindow();
        return;
    }
    // Qt would put off the activation of a window not yet mapped until it is, after any request
    // made meanwhile; the wanted window is kept here instead and asked for once it is there.
    // A request made is not kept: what the user activates after it stays active.
    if (onScreen(w)) {
        wanted() = nullptr;
        w->activateWindow();
    } else {
        wanted() = w;
    }
}

void shownOnScreen(QWidget* window) {
    QWidget* w = wanted().data();
    if (!w || !window || w != window->window() || !onScreen(w))
        return;
    wanted() = nullptr;
    w->activateWindow();
}

void showWithoutActivating(QWidget* window) {
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    window->show();
}

} // namespace korimo::desktop
