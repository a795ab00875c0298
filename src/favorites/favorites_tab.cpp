#include "favorites/favorites_tab.h"

FavoritesTab::FavoritesTab(const AppContext& context, Form1& browser, QWidget* parent)
    : QWidget(parent), m_context(context), m_browser(browser)
{
}

void FavoritesTab::load() {}
