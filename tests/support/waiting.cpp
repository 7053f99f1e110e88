#include "support/waiting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>
#include <QWidget>

namespace korimo::test {

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

MessageCatcher::MessageCatcher()
    : answerer([this](QWidget* w) {
          for (QLabel* l : w->findChildren<QLabel*>()) {
              if (l->objectName() == QLatin1String("ErrTitle"))
                  titles << l->text();
              if (l->objectName() == QLatin1String("Label1"))
                  texts << l->text();
          }
          w->close();
      }) {}

} // namespace korimo::test
