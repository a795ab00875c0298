#include "timecontrol/time_tab.h"

TimeTab::TimeTab(const AppContext& context, Form1& browser, QWidget* parent)
    : QWidget(parent), m_context(context), m_browser(browser)
{
}

void TimeTab::load() {}
