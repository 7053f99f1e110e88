#include "forms/runtime.h"

#include "forms/desktop.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <cmath>

namespace korimo {

namespace {
int g_screenPointer = 0;
int g_nestedLoops = 0;
} // namespace

NestedLoopScope::NestedLoopScope() {
    ++g_nestedLoops;
}

NestedLoopScope::~NestedLoopScope() {
    --g_nestedLoops;
}

int NestedLoopScope::depth() {
    return g_nestedLoops;
}

int twipsToPixels(int twips) {
    // Banker's rounding, as the designed region sizes are rounded halves-to-even.
    return static_cast<int>(std::nearbyint(static_cast<double>(twips) / kTwipsPerPixel));
}

int pixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

void DoEvents() {
    const NestedLoopScope waiting;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void setScreenMousePointer(int pointer) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    g_screenPointer = 0;
    switch (pointer) {
    case 11:
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        g_screenPointer = 11;
        break;
    case 13:
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
        g_screenPointer = 13;
        break;
    default:
        break;
    }
}

int screenMousePointer() {
    return g_screenPointer;
}

QString currentErrorText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QString();
    }
}

} // namespace korimo

namespace korimo {
int vbButton(Qt::MouseButtons buttons) {
    int b = 0;
    if (buttons & Qt::LeftButton)
        b |= 1;
    if (buttons & Qt::RightButton)
        b |= 2;
    if (buttons & Qt::MiddleButton)
        b |= 4;
    return b;
}

int vbKeyCode(int key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) ||
        key == Qt::Key_Space)
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

int vbShift(Qt::KeyboardModifiers modifiers) {
    int s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= 1;
    if (modifiers & Qt::ControlModifier)
        s |= 2;
    if (modifiers & Qt::AltModifier)
        s |= 4;
    return s;
}
} // namespace korimo

#include <QWidget>

namespace korimo {
void SetFocus(QWidget* control) {
    if (!control)
        return;
    QWidget* window = control->window();
    if (window->isVisible() && !window->isMinimized())
        desktop::activate(window);
    control->setFocus(Qt::OtherFocusReason);
}

void setTag(QWidget* control, const QString& value) {
    if (control)
        control->setProperty("Tag", value);
}

QString tag(const QWidget* control) {
    return control ? control->property("Tag").toString() : QString();
}

QFont designFont(const QString& family, double pointSize, bool bold) {
    // The Windows faces are not here; Liberation Sans keeps Arial's narrow widths, so captions
    // designed for those faces still fit their buttons.
    QFont f(family);
    if (family.startsWith(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) ||
        family.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        f.setFamilies({family, QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(family.contains(QLatin1String("Serif"), Qt::CaseInsensitive) &&
                           !family.contains(QLatin1String("Sans"), Qt::CaseInsensitive)
                       ? QFont::Serif
                       : QFont::SansSerif);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QString literalTitle(QString text) {
    return text.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

int messageBox(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text,
               QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QPointer<QMessageBox> box = new QMessageBox(icon, title, text, buttons, owner);
    box->setDefaultButton(defaultButton);
    box->setTextFormat(Qt::PlainText);
    int answer = QMessageBox::NoButton;
    {
        const NestedLoopScope waiting;
        answer = box->exec();
    }
    delete box.data();
    return answer;
}

} // namespace korimo
