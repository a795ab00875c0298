#include "password/password_tab.h"

PasswordTab::PasswordTab(const AppContext& context, Form1& browser, QWidget* parent)
    : QWidget(parent), m_context(context), m_browser(browser)
{
}

void PasswordTab::load() {}
