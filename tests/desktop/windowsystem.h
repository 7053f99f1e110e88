#pragma once

#include "support/modalanswerer.h"

#include <QFileDialog>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace korimo::test {

// What the X server and its window manager say about windows, read with the usual X tools
// (xprop, xwininfo) so the answer comes from the window system, not from Qt's own idea of it.
using XWindow = unsigned long;

XWindow xwindow(const QWidget* window);
XWindow activeWindow();
XWindow transientFor(XWindow window);
// Client windows from bottom to top.
QList<XWindow> stackingOrder();
// The window's place and size on the screen with the manager's frame, and without.
QRect frameGeometry(XWindow window);
QRect clientGeometry(XWindow window);
// The bounding outline the client set on its window (the X shape), relative to the client; the
// whole client when it set none.
QRect shapeExtents(XWindow window);
// _NET_WM_STATE atoms, such as "_NET_WM_STATE_HIDDEN".
QStringList windowState(XWindow window);
// What the manager lets the user do with the window (_NET_WM_ALLOWED_ACTIONS), such as
// "_NET_WM_ACTION_MAXIMIZE_HORZ".
QStringList allowedActions(XWindow window);

// Client windows whose title contains the text.
QList<XWindow> windowsNamed(const QString& text);

// The part of the screen the manager leaves to windows (_NET_WORKAREA of the first desktop).
QRect workArea();

// Real input through the XTEST extension, as a user's mouse and keyboard give it.
bool xdotool(const QStringList& args);

// Holds the window manager still while alive, as a busy desktop that answers a window's requests
// late; it answers them all once let go.
class ManagerPaused {
public:
    ManagerPaused();
    ~ManagerPaused();
    ManagerPaused(const ManagerPaused&) = delete;
    ManagerPaused& operator=(const ManagerPaused&) = delete;

private:
    long m_pid = 0;
};

// Waits, with events running, until the manager has mapped and framed the window.
bool waitUntilManaged(const QWidget* window, int timeoutMs = 10000);

// Waits until the manager has framed the window and made it the active one.
bool waitUntilActive(const QWidget* window, int timeoutMs = 10000);

// Where a widget lies on the screen, by where the window system put its window.
QRect screenRect(const QWidget* widget);

// The pointer moved there, or clicked there with the left button, through XTEST.
bool moveTo(QPoint point);
bool clickAt(QPoint point);

// Types the text over whatever the focused field held and presses Return.
bool typeAndEnter(const QString& text);

// A ModalAnswerer's answer that takes the first file dialog to come up as a user does: once the
// manager has made it the active window, types `name` into it and presses Return. `answered` is
// set when the dialog is taken; `then` runs next with the dialog, which may have gone by then.
ModalAnswerer::Answer
typeIntoFirstFileDialog(const QString& name, bool& answered,
                        std::function<void(const QPointer<QFileDialog>&)> then = {});

} // namespace korimo::test
