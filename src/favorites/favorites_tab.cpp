#include "favorites/favorites_tab.h"

#include <QLineEdit>

FavoritesTab::FavoritesTab(const AppContext& context, Form1& browser, QWidget* parent)
    : QWidget(parent), m_context(context), m_browser(browser)
{
    Text4 = new QLineEdit(this);
    Text4->setObjectName(QStringLiteral("Text4"));
    Text5 = new QLineEdit(this);
    Text5->setObjectName(QStringLiteral("Text5"));
}

void FavoritesTab::load() {}
