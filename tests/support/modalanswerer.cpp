#include "support/modalanswerer.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace korimo::test {

ModalAnswerer::ModalAnswerer(Answer answer, int intervalMs) : m_answer(std::move(answer)) {
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
}

ModalAnswerer::~ModalAnswerer() {
    m_timer.stop();
}

void ModalAnswerer::poll() {
    if (m_busy)
        return;
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible())
        return;
    m_busy = true;
    ++m_answered;
    m_seen.append(w->windowTitle().isEmpty() ? w->objectName() : w->windowTitle());
    QPointer<QWidget> guard(w);
    m_answer(w);
    m_busy = false;
}

void closeLikeWindowManager(QWidget* w) {
    if (w)
        w->close();
}

} // namespace korimo::test
