#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QWidget;

namespace korimo::test {

// Answers modal windows while a test waits on them: every few milliseconds it looks for the
// active modal widget and hands it to the callback, which closes it (nested dialogs included).
class ModalAnswerer : public QObject {
    Q_OBJECT
public:
    using Answer = std::function<void(QWidget*)>;
    explicit ModalAnswerer(Answer answer, int intervalMs = 20);
    ~ModalAnswerer() override;

    int answered() const { return m_answered; }
    // The titles (window titles, or object names) of the windows answered, in order.
    const QStringList& seen() const { return m_seen; }

private:
    void poll();

    Answer m_answer;
    QTimer m_timer;
    int m_answered = 0;
    QStringList m_seen;
    bool m_busy = false;
};

// Closes the widget the way the window manager's close button does.
void closeLikeWindowManager(QWidget* w);

} // namespace korimo::test
