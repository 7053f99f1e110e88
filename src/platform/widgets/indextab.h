#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QTabBar;

namespace korimo {

// A row of tabs over a stack of pages: shows the page of the chosen tab, keeps the others
// hidden, and raises Switch with the tab that was shown before and the one shown now.
class IndexTab : public QWidget {
    Q_OBJECT
public:
    explicit IndexTab(QWidget* parent = nullptr);

    // The tab texts joined by "|", one tab each.
    void setTabCaptions(const QString& captions);
    QStringList TabCaptions() const;
    int TabCount() const;

    // The page of a tab; it is taken into the tab control and sized to its page area.
    void setPage(int index, QWidget* page);
    QWidget* Page(int index) const;
    // The area pages fill, in this widget's coordinates.
    QRect pageArea() const;

    int CurrentTab() const { return m_current; }
    // Shows that tab's page; raises Switch when the tab changes. An index out of range is
    // ignored.
    void setCurrentTab(int index);
    QTabBar* tabBar() const { return m_bar; }

signals:
    void Switch(int LastTab, int NewTab);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showCurrentPage();

    QTabBar* m_bar = nullptr;
    QList<QPointer<QWidget>> m_pages;
    int m_current = -1;
};

} // namespace korimo
