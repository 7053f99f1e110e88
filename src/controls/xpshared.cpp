#include "controls/xpshared.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>

namespace korimo {

bool pointerOverControl(const QWidget* control) {
    if (!control || !control->isVisible())
        return false;
    const QPoint global = QCursor::pos();
    QWidget* under = QApplication::widgetAt(global);
    if (!under) {
        // Without a window system (offscreen) widgetAt finds nothing: fall back to geometry.
        const QPoint local = control->mapFromGlobal(global);
        return control->rect().contains(local);
    }
    return under == control || control->isAncestorOf(under);
}

} // namespace korimo
