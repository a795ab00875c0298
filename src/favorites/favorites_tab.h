#pragma once

#include "shell/app_context.h"

#include <QWidget>

class Form1;
class QLineEdit;

// The Favorites tab: the favorite sites and the page made from them.
class FavoritesTab : public QWidget
{
    Q_OBJECT
public:
    FavoritesTab(const AppContext& context, Form1& browser, QWidget* parent);

    // Fills the tab from its file, once, during the panel's load step.
    void load();

    QLineEdit* Text4; // name of the site to add
    QLineEdit* Text5; // address of the site to add

private:
    AppContext m_context;
    Form1& m_browser;
};
