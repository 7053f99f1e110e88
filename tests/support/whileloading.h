#pragma once

#include "forms/runtime.h"

#include <QApplication>
#include <QWidget>
#include <functional>
#include <utility>

namespace korimo::test {

// Runs an action once, from inside the first nested loop that runs while a window of type
// FormT is loaded but not shown yet: where a quick second click is handled.
template <class FormT> class WhileLoading : public QObject {
public:
    explicit WhileLoading(std::function<void()> action) : m_action(std::move(action)) {
        qApp->installEventFilter(this);
    }
    ~WhileLoading() override { qApp->removeEventFilter(this); }
    bool done() const { return m_done; }

protected:
    bool eventFilter(QObject* watched, QEvent*) override {
        auto* w = qobject_cast<QWidget*>(watched);
        auto* form = w ? qobject_cast<FormT*>(w->window()) : nullptr;
        if (!m_done && form && form->IsLoaded() && !form->isVisible() &&
            NestedLoopScope::depth() > 0) {
            m_done = true;
            m_action();
        }
        return false;
    }

private:
    std::function<void()> m_action;
    bool m_done = false;
};

} // namespace korimo::test
