#pragma once

#include "shell/app_context.h"

#include <QWidget>

class Form1;

// The Time tab: the weekly schedule of blocked half-hours.
class TimeTab : public QWidget
{
    Q_OBJECT
public:
    TimeTab(const AppContext& context, Form1& browser, QWidget* parent);

    // Fills the tab from its file, once, during the panel's load step.
    void load();

private:
    AppContext m_context;
    Form1& m_browser;
};
