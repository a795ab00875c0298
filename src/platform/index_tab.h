#pragma once

#include <QWidget>

class QStackedWidget;
class QTabBar;

// A tab strip whose captions come from one "A|B|C" text. Each tab shows its
// own page, unless the strip shares one page between all tabs (a weekday
// strip over one grid). Switch(oldTab, newTab) follows every change of tab.
class IndexTab : public QWidget
{
    Q_OBJECT
public:
    explicit IndexTab(QWidget* parent = nullptr);

    void setCaptions(const QString& captions);
    QString captions() const;
    int count() const;

    // The page shown for a tab (the shared page when pages are shared).
    QWidget* page(int tab) const;
    void setSharedPage(bool shared);

    // The tab entered by the last switch, or 0 before any.
    int currentTab() const { return m_current; }
    // Switches as a click on that tab would, emitting Switch.
    void setCurrentTab(int tab);

    QTabBar* tabBar() const { return m_bar; }

Q_SIGNALS:
    void Switch(int oldTab, int newTab);

private:
    void rebuildPages();

    QTabBar* m_bar;
    QStackedWidget* m_pages;
    bool m_shared = false;
    int m_current = 0;
};
