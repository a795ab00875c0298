#pragma once

#include "shell/app_context.h"

#include <QWidget>

class Form1;

// The Password tab: changing the parent's password.
class PasswordTab : public QWidget
{
    Q_OBJECT
public:
    PasswordTab(const AppContext& context, Form1& browser, QWidget* parent);

    // Fills the tab from its file, once, during the panel's load step.
    void load();

private:
    AppContext m_context;
    Form1& m_browser;
};
