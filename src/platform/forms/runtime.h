#pragma once

#include <QMessageBox>
#include <QPoint>
#include <QRect>
#include <QString>
#include <exception>
#include <stdexcept>
#include <utility>

namespace korimo {

// Designs are measured in twips; the screen is taken as 96 logical dpi.
inline constexpr int kTwipsPerPixel = 15;

int twipsToPixels(int twips);
int pixelsToTwips(int pixels);
// Left, Top, Width, Height in twips, as the window tables give them.
QRect twipsRect(int left, int top, int width, int height);

// Lets pending events run, as a handler that must repaint before it goes on needs.
void DoEvents();

// Marks a loop that runs events while a handler waits further up the stack (DoEvents, a modal
// show, a dialog's exec). A form unloaded meanwhile stays in memory until no such loop runs,
// as the waiting handler may still use it.
class NestedLoopScope {
public:
    NestedLoopScope();
    ~NestedLoopScope();
    NestedLoopScope(const NestedLoopScope&) = delete;
    NestedLoopScope& operator=(const NestedLoopScope&) = delete;
    // How many such loops run now.
    static int depth();
};

// The program-wide mouse pointer: 0 default, 11 hourglass, 13 arrow with hourglass.
void setScreenMousePointer(int pointer);
int screenMousePointer();

// A step failure that the caller may skip; thrown by steps that fail without a C++ error of
// their own (a folder that cannot be made, a value that is not a number).
class StepError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs one step of a handler whose failing steps are skipped: whatever the step throws is
// swallowed and the next step runs. Returns whether the step completed.
template <class F> bool skipOnError(F&& step) noexcept {
    try {
        std::forward<F>(step)();
        return true;
    } catch (...) {
        return false;
    }
}

// The text of the exception now being handled, for failure paths that show it.
QString currentErrorText();

} // namespace korimo

#include <Qt>

namespace korimo {
// Mouse button and modifier masks in the designed form: Button 1 left, 2 right, 4 middle;
// Shift 1 Shift, 2 Ctrl, 4 Alt.
int vbButton(Qt::MouseButtons buttons);
int vbShift(Qt::KeyboardModifiers modifiers);
// A key in the designed key-code form: letters, digits and the space bar are their upper-case
// character codes, the other keys their virtual-key numbers; keys without one give 0.
int vbKeyCode(int qtKey);
} // namespace korimo

#include <QFont>
class QWidget;

namespace korimo {
// Gives the control the keyboard focus and brings its window to the front as the active one, as
// moving the focus into another window of the program does: windows shown just before and not
// on screen yet do not take the activation from it when they get there.
void SetFocus(QWidget* control);

// The hint text a control keeps in its Tag.
void setTag(QWidget* control, const QString& tag);
QString tag(const QWidget* control);

// A design font ("MS Sans Serif", 8.25 pt, ...); Windows families fall back to a sans face here.
QFont designFont(const QString& family, double pointSize, bool bold = false);

// A window title that shows a name as it is: Qt reads "[*]" as its unsaved-changes mark and
// hides it, a doubled one shows as written.
QString literalTitle(QString text);

// A message box in its own loop, as a modal form is, returning the button pressed. It lives on
// the heap because its owner may be unloaded while it waits; its text is shown as it is, never
// read as markup.
int messageBox(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text,
               QMessageBox::StandardButtons buttons,
               QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
} // namespace korimo
