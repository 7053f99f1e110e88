#include "widgets/indextab.h"

#include <QSignalBlocker>
#include <QTabBar>

namespace korimo {

IndexTab::IndexTab(QWidget* parent) : QWidget(parent), m_bar(new QTabBar(this)) {
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    m_bar->setFocusPolicy(Qt::NoFocus);
    connect(m_bar, &QTabBar::currentChanged, this, [this](int index) { setCurrentTab(index); });
}

void IndexTab::setTabCaptions(const QString& captions) {
    const QSignalBlocker block(m_bar);
    while (m_bar->count() > 0)
        m_bar->removeTab(0);
    for (const QString& caption : captions.split(QLatin1Char('|')))
        m_bar->addTab(caption);
    m_pages.resize(m_bar->count());
    m_current = m_bar->count() > 0 ? 0 : -1;
    m_bar->setCurrentIndex(m_current);
    m_bar->adjustSize();
    showCurrentPage();
}

QStringList IndexTab::TabCaptions() const {
    QStringList out;
    for (int i = 0; i < m_bar->count(); ++i)
        out << m_bar->tabText(i);
    return out;
}

int IndexTab::TabCount() const {
    return m_bar->count();
}

void IndexTab::setPage(int index, QWidget* page) {
    if (index < 0 || index >= m_pages.size())
        return;
    m_pages[index] = page;
    if (page) {
        page->setParent(this);
        page->setGeometry(pageArea());
    }
    showCurrentPage();
}

QWidget* IndexTab::Page(int index) const {
    return index >= 0 && index < m_pages.size() ? m_pages[index].data() : nullptr;
}

QRect IndexTab::pageArea() const {
    const int top = m_bar->sizeHint().height();
    return QRect(0, top, width(), qMax(0, height() - top));
}

void IndexTab::setCurrentTab(int index) {
    if (index < 0 || index >= m_bar->count() || index == m_current)
        return;
    const int last = m_current;
    m_current = index;
    {
        const QSignalBlocker block(m_bar);
        m_bar->setCurrentIndex(index);
    }
    showCurrentPage();
    emit Switch(last, index);
}

void IndexTab::showCurrentPage() {
    for (int i = 0; i < m_pages.size(); ++i)
        if (QWidget* page = m_pages[i])
            page->setVisible(i == m_current);
    if (QWidget* page = Page(m_current))
        page->raise();
}

void IndexTab::resizeEvent(QResizeEvent*) {
    m_bar->setGeometry(0, 0, width(), m_bar->sizeHint().height());
    for (const auto& page : m_pages)
        if (page)
            page->setGeometry(pageArea());
}

} // namespace korimo
