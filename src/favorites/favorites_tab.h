#pragma once

#include "favorites/favorites_page.h"
#include "shell/app_context.h"

#include <QWidget>

class Form1;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The Favorites tab: the favorite sites and the page made from them. The two
// list boxes are the list itself (names and addresses, row for row); every
// change rewrites the list file and the favorites page from them.
class FavoritesTab : public QWidget
{
    Q_OBJECT
public:
    FavoritesTab(const AppContext& context, Form1& browser, QWidget* parent);

    // Fills the tab from its file, once, during the panel's load step.
    void load();

    // The list as the two boxes hold it, in display order.
    FavoriteList entries() const;

    // --- controls ----------------------------------------------------------
    QGroupBox* Frame4;      // "Site to be added to Favorites:"
    QLabel* Label10;        // "Name:"
    QLineEdit* Text4;       // name of the site to add
    QLabel* Label2_24;      // "Address:" (element 24 of the panel's Label2 labels)
    QLineEdit* Text5;       // address of the site to add
    QPushButton* Command14; // "v  &Add"
    QPushButton* Command13; // "^  &Delete"
    QGroupBox* Frame5;      // "Favorites list:"
    QLabel* Label6;         // "Name:"
    QListWidget* List3;     // names
    QLabel* Label9;         // "Address:"
    QListWidget* List2;     // addresses

    // --- handlers ----------------------------------------------------------
    void Command14_Click();
    void Command13_Click();
    void List2_Click();
    void List3_Click();

private:
    // Rewrites the list file (when asked) and the page, and tells the parent
    // what could not be saved; the boxes keep what they show either way.
    void save(bool writeList, FavoritesPage::Form pageForm);
    // A row chosen in one list box is chosen in the other; Delete may act on it.
    void selectSameRow(QListWidget* clicked, QListWidget* other);
    // Leaves both boxes without a selected row, as after a removal.
    void clearSelection();

    AppContext m_context;
    Form1& m_browser;
};
