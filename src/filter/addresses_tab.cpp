#include "filter/addresses_tab.h"

AddressesTab::AddressesTab(const AppContext& context, Form1& browser, QWidget* parent)
    : QWidget(parent), m_context(context), m_browser(browser)
{
}

void AddressesTab::load() {}
