#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

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
// _NET_WM_STATE atoms, such as "_NET_WM_STATE_HIDDEN".
QStringList windowState(XWindow window);

// Real input through the XTEST extension, as a user's mouse and keyboard give it.
bool xdotool(const QStringList& args);

// Waits, with events running, until the manager has mapped and framed the window.
bool waitUntilManaged(const QWidget* window, int timeoutMs = 10000);

} // namespace korimo::test
