#include "surflog/surf_log_tab.h"

SurfLogTab::SurfLogTab(const AppContext& context, Form1& browser, QWidget* parent)
    : QWidget(parent), m_context(context), m_browser(browser)
{
}

void SurfLogTab::load() {}
