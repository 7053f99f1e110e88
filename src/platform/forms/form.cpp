#include "forms/form.h"

#include "forms/desktop.h"
#include "forms/runtime.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <vector>

namespace korimo {

namespace {
std::vector<Form*>& registry() {
    static std::vector<Form*> forms;
    return forms;
}

void unregister(Form* f) {
    auto& r = registry();
    r.erase(std::remove(r.begin(), r.end(), f), r.end());
}
} // namespace

Form::Form(const QString& name, QWidget* owner) : QWidget(owner, Qt::Window), m_name(name) {
    setObjectName(name);
}

Form::~Form() {
    endManualDrag();
    endModal();
    unregister(this);
}

QList<Form*> Form::Forms() {
    QList<Form*> out;
    for (Form* f : registry())
        out.append(f);
    return out;
}

Form* Form::Loaded(const QString& name) {
    for (Form* f : registry())
        if (f->Name() == name)
            return f;
    return nullptr;
}

void Form::Load() {
    if (m_loaded)
        return;
    m_loaded = true;
    registry().push_back(this);
    Form_Load();
}

bool Form::Unload(int mode) {
    if (!m_loaded || m_unloading)
        return !m_loaded;
    m_unloading = true;
    int cancel = 0;
    Form_QueryUnload(cancel, mode);
    if (cancel == 0)
        Form_Unload(cancel);
    if (cancel != 0) {
        m_unloading = false;
        return false;
    }
    m_loaded = false;
    unregister(this);
    hide();
    endModal();
    m_unloading = false;
    emit unloaded();
    if (m_deleteOnUnload)
        deleteWhenIdle();
    return true;
}

void Form::deleteWhenIdle() {
    if (m_loaded)
        return; // loaded again meanwhile
    // A handler that let events run may still use this form once its loop returns.
    if (NestedLoopScope::depth() > 0) {
        QTimer::singleShot(20, this, &Form::deleteWhenIdle);
        return;
    }
    deleteLater();
}

void Form::setFixedToolFrame(QSize clientSize, Qt::WindowFlags extra) {
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | extra);
    setFixedSize(clientSize);
    m_toolFrame = true;
}

void Form::prepareFrame() {
    if (m_toolFrame)
        desktop::setToolFrame(this);
}

void Form::Show(int modal, QWidget* owner) {
    Load();
    if (!m_loaded)
        return;
    if (owner && owner != this && parentWidget() != owner) {
        const Qt::WindowFlags flags = windowFlags();
        setParent(owner, flags | Qt::Window);
    }
    if (m_centreOnOwner && !isVisible()) {
        QRect area;
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (const QWidget* o = parentWidget() ? parentWidget()->window() : nullptr) {
            area = desktop::frameGeometry(o);
            if (const QScreen* s = QGuiApplication::screenAt(area.center()))
                screen = s;
        } else if (screen) {
            area = screen->availableGeometry();
        }
        // An owner by the screen's edge would leave part of the window off the screen; its
        // frame, known once shown, is looked at again then.
        if (area.isValid())
            move(desktop::keptInside(
                     QRect(area.center() - QPoint(width() / 2, height() / 2), size()),
                     screen ? screen->availableGeometry() : QRect())
                     .topLeft());
        m_keepOnScreen = true;
    }
    prepareFrame();
    if (modal == 0) {
        desktop::showWithoutActivating(this);
        claimOwner();
        raise();
        activateWhenOnScreen();
        // Without a window manager no activation arrives; the form still runs its handler.
        if (!isActiveWindow())
            Form_Activate();
        return;
    }
    if (m_modalLoop)
        return; // already shown modally further up the stack
    setWindowModality(Qt::ApplicationModal);
    desktop::showWithoutActivating(this);
    claimOwner();
    raise();
    activateWhenOnScreen();
    QPointer<Form> self(this);
    QEventLoop loop;
    m_modalLoop = &loop;
    {
        const NestedLoopScope waiting;
        loop.exec(QEventLoop::DialogExec);
    }
    if (self) {
        m_modalLoop = nullptr;
        setWindowModality(Qt::NonModal);
    }
}

void Form::showWithoutActivating() {
    Load();
    if (!m_loaded)
        return;
    prepareFrame();
    desktop::showWithoutActivating(this);
    claimOwner();
    raise();
}

void Form::claimOwner() {
    if (const QWidget* owner = parentWidget())
        desktop::setOwner(this, owner->window());
}

void Form::activateWhenOnScreen() {
    if (QWindow* w = windowHandle()) {
        m_awaitingScreen = !w->isExposed();
        m_onScreen = w->isExposed();
        w->installEventFilter(this);
    }
    desktop::activate(this);
}

void Form::keepOnScreen() {
    const QScreen* s = screen();
    if (!s)
        return;
    const QRect frame = desktop::frameGeometry(this);
    const QPoint shift =
        desktop::keptInside(frame, s->availableGeometry()).topLeft() - frame.topLeft();
    if (!shift.isNull())
        move(pos() + shift);
}

void Form::Hide() {
    hide();
}

void Form::Refresh() {
    repaint();
}

void Form::endModal() {
    if (m_modalLoop) {
        QEventLoop* loop = m_modalLoop;
        m_modalLoop = nullptr;
        loop->quit();
    }
}

void Form::closeEvent(QCloseEvent* event) {
    // The window manager's close runs the same unload as the program's own close.
    event->ignore();
    if (m_loaded)
        Unload(FormControlMenu);
    else
        hide();
}

void Form::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        endModal();
}

void Form::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

bool Form::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(event);
}

void Form::beginWindowDrag(int button, const QWidget* grip, QPointF at) {
    // A button let go before its press is handled starts no drag: nothing would end it.
    if (!desktop::buttonHeld(button))
        return;
    // The manager's own move ends only on the left button's release, so only that button hands
    // the move over; with any other the form follows the pointer until that button is let go.
    if (button == 1) {
        const QPoint pressed = grip ? grip->mapTo(this, at.toPoint()) : at.toPoint();
        if (desktop::startSystemMove(this, pressed))
            return;
        if (QWindow* w = windowHandle()) {
            if (w->startSystemMove())
                return;
        }
    }
    m_dragButton = button == 2 ? Qt::RightButton : button == 4 ? Qt::MiddleButton : Qt::LeftButton;
    m_manualDrag = true;
    // From where the window system has the window: Qt may not have heard of a place the manager
    // chose yet, and a drag from there would make the window jump.
    m_dragOffset = QCursor::pos() - desktop::frameGeometry(this).topLeft();
    qApp->installEventFilter(this);
}

void Form::endManualDrag() {
    if (!m_manualDrag)
        return;
    m_manualDrag = false;
    if (qApp)
        qApp->removeEventFilter(this);
}

bool Form::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && watched == windowHandle()) {
        const bool exposed = windowHandle()->isExposed();
        if (exposed && m_awaitingScreen) {
            m_awaitingScreen = false;
            desktop::shownOnScreen(this);
        }
        if (exposed && m_keepOnScreen) {
            m_keepOnScreen = false;
            keepOnScreen();
        }
        // A manager may put a minimised window back on screen (from its task list, or with its
        // owner) without Qt hearing of it; the window is then restored here, so that its
        // restore handling runs.
        if (exposed && !m_onScreen && (windowState() & Qt::WindowMinimized))
            QMetaObject::invokeMethod(
                this, [this] { setWindowState(windowState() & ~Qt::WindowMinimized); },
                Qt::QueuedConnection);
        m_onScreen = exposed;
    }
    // Mouse events reach the window first and its widget next: the window keeps its own account
    // of the pressed button, so only the widget's copy is taken.
    if (m_manualDrag && watched->isWidgetType()) {
        if (event->type() == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(event);
            // A release that went elsewhere still ends the drag.
            if (me->buttons() == Qt::NoButton) {
                endManualDrag();
                return false;
            }
            move(me->globalPosition().toPoint() - m_dragOffset);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == m_dragButton) {
            endManualDrag();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace korimo
