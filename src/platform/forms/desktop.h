#pragma once

#include <QRect>

class QWidget;

// What the windows need from the desktop they run on beyond Qt's own reach: ownership at the
// window-system level, and the choice of a window system that lets a program place its windows.
namespace korimo::desktop {

// Makes `window` an owned window of `owner` for the window manager (transient for it on X11),
// so it stays above its owner and is minimised and restored with it. Qt does this only for
// dialog and tool windows; call it after every show, as Qt clears it when it maps the window.
void setOwner(QWidget* window, const QWidget* owner);

// Asks for a tool window's frame: a title and a close box, without minimise and maximise
// buttons. Qt asks for that through the Motif hints alone, which some managers (openbox) do not
// follow for those two buttons; the window type of a tool palette gets it from them as well.
// Call before every show: Qt does not carry the type over to a window it makes anew.
void setToolFrame(QWidget* window);

// Where the window's frame is on the screen, as the window system has it: Qt learns of a place
// the manager chose only when the manager tells it, which not every manager does at once.
QRect frameGeometry(const QWidget* window);

// On a Wayland session with an X display at hand (XWayland), asks Qt for X11 unless the user
// named a platform (QT_QPA_PLATFORM, or a -platform argument): on Wayland no program may place
// its own windows. Call before the application object is made. True when it chose X11.
bool preferX11(int argc, char** argv);

// The frame moved the least that lies inside the area, or at the area's top left edge where it
// is wider or taller than the area.
QRect keptInside(const QRect& frame, const QRect& area);

// Whether the mouse button (1 left, 2 right, 4 middle) is held down now, as the window system
// has it at this moment rather than as the events handled so far tell.
bool buttonHeld(int button);

// Hands the move of the window to the window manager, as if its title were grabbed where the
// left button went down (`pressed`, in the window's coordinates), for the window system's own
// account of where that is. False where no manager takes it.
bool startSystemMove(QWidget* window, QPoint pressed);

// Asks for the window to become the active one. On X11 a window the manager has not put on
// screen yet becomes active once it is there, unless a later request replaced this one;
// shownOnScreen tells when a window has come onto the screen. A request is not repeated: the
// manager activates no window of ours by itself (see showWithoutActivating), so what the user
// activates afterwards stays active.
void activate(QWidget* window);
void shownOnScreen(QWidget* window);

// Shows a window leaving its activation to the program: the manager would otherwise activate a
// window it maps anew, over the window the program asked for meanwhile.
void showWithoutActivating(QWidget* window);

} // namespace korimo::desktop
