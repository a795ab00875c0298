#pragma once

#include "shell/app_context.h"

#include <QWidget>

class Form1;

// The Addresses tab: the blocked-word list and its editor.
class AddressesTab : public QWidget
{
    Q_OBJECT
public:
    AddressesTab(const AppContext& context, Form1& browser, QWidget* parent);

    // Fills the tab from its file, once, during the panel's load step.
    void load();

private:
    AppContext m_context;
    Form1& m_browser;
};
