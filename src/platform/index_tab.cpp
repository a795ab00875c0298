#include "platform/index_tab.h"

#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

IndexTab::IndexTab(QWidget* parent)
    : QWidget(parent), m_bar(new QTabBar(this)), m_pages(new QStackedWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_pages, 1);
    m_bar->setExpanding(false);
    m_bar->setDrawBase(true);
    m_pages->setFrameShape(QFrame::StyledPanel);
    m_pages->setAutoFillBackground(true);
    connect(m_bar, &QTabBar::currentChanged, this, [this](int tab) {
        if (tab < 0 || tab == m_current)
            return;
        const int old = m_current;
        m_current = tab;
        if (!m_shared)
            m_pages->setCurrentIndex(tab);
        Q_EMIT Switch(old, tab);
    });
}

void IndexTab::setCaptions(const QString& captions)
{
    const QSignalBlocker block(m_bar);
    while (m_bar->count() > 0)
        m_bar->removeTab(0);
    for (const QString& caption : captions.split(u'|'))
        m_bar->addTab(caption);
    m_current = 0;
    m_bar->setCurrentIndex(0);
    rebuildPages();
}

QString IndexTab::captions() const
{
    QStringList list;
    for (int i = 0; i < m_bar->count(); ++i)
        list << m_bar->tabText(i);
    return list.join(u'|');
}

int IndexTab::count() const
{
    return m_bar->count();
}

QWidget* IndexTab::page(int tab) const
{
    if (m_shared)
        return m_pages->widget(0);
    return m_pages->widget(tab);
}

void IndexTab::setSharedPage(bool shared)
{
    m_shared = shared;
    rebuildPages();
}

void IndexTab::setCurrentTab(int tab)
{
    m_bar->setCurrentIndex(tab);
}

void IndexTab::rebuildPages()
{
    const int wanted = m_shared ? 1 : qMax(1, m_bar->count());
    while (m_pages->count() > wanted)
        delete m_pages->widget(m_pages->count() - 1);
    while (m_pages->count() < wanted) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("page%1").arg(m_pages->count()));
        m_pages->addWidget(page);
    }
    m_pages->setCurrentIndex(m_shared ? 0 : m_current);
}
