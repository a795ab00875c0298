#pragma once

#include "favorites/favorites_file.h"
#include "favorites/favorites_page.h"
#include "platform/code_page.h"

#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/fixed.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>
#include <gtkmm/listview.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/singleselection.h>
#include <gtkmm/stringlist.h>

#include <filesystem>
#include <optional>

class SettingsStore;

// What the Favorites tab needs from the installation: the list file, the page
// made from it, the code page of the list, and the settings that keep the
// favorites-only switch.
struct FavoritesContext
{
    std::filesystem::path listFile;
    std::filesystem::path pageFile;
    CodePage codePage;
    SettingsStore* settings = nullptr;
};

// The Favorites tab: the favorite sites and the page made from them. The two
// list boxes are the list itself (names and addresses, row for row); every
// change rewrites the list file and the favorites page from them.
class FavoritesTab final
{
public:
    // Puts the tab's controls on page, at their designed places.
    FavoritesTab(const FavoritesContext& context, Gtk::Fixed& page);
    FavoritesTab(const FavoritesTab&) = delete;
    FavoritesTab& operator=(const FavoritesTab&) = delete;

    // Fills the tab from its file, once, during the panel's load step.
    void load();

    // The list as the two boxes hold it, in display order.
    FavoriteList entries() const;

    // The favorites-only switch as stored ("favorites" = 1).
    bool favoritesOnly() const;
    // Stores the switch when it differs from what is stored (start-up sets
    // the box from it, and a read-only settings file would otherwise cost a
    // message at every start). The switch acts even when it could not be
    // stored; the parent is told that it will not survive a restart.
    void storeFavoritesOnly(bool on);

    // The row selected in a list box, if any.
    static std::optional<guint> currentRow(const Gtk::SingleSelection& list);
    Gtk::SingleSelection& names() { return *m_names; }
    Gtk::SingleSelection& addresses() { return *m_addresses; }

    // --- controls ----------------------------------------------------------
    Gtk::Frame Frame4;     // "Site to be added to Favorites:"
    Gtk::Label Label10;    // "Name:"
    Gtk::Entry Text4;      // name of the site to add
    Gtk::Label Label2_24;  // "Address:" (element 24 of the panel's Label2 labels)
    Gtk::Entry Text5;      // address of the site to add
    Gtk::Button Command14; // "v  &Add"
    Gtk::Button Command13; // "^  &Delete"
    Gtk::Frame Frame5;     // "Favorites list:"
    Gtk::Label Label6;     // "Name:"
    Gtk::ScrolledWindow List3Scroller;
    Gtk::ListView List3; // names
    Gtk::Label Label9;   // "Address:"
    Gtk::ScrolledWindow List2Scroller;
    Gtk::ListView List2; // addresses

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
    void selectSameRow(Gtk::SingleSelection& clicked, Gtk::SingleSelection& other);
    // Leaves both boxes without a selected row, as after a removal.
    void clearSelection();
    void setUpList(Gtk::ListView& list, const Glib::RefPtr<Gtk::SingleSelection>& rows,
                   void (FavoritesTab::*click)());

    FavoritesContext m_context;
    Gtk::Fixed& m_page;
    Glib::RefPtr<Gtk::StringList> m_nameRows;
    Glib::RefPtr<Gtk::StringList> m_addressRows;
    Glib::RefPtr<Gtk::SingleSelection> m_names;
    Glib::RefPtr<Gtk::SingleSelection> m_addresses;
    // Set while the tab itself changes a selection, which is no click.
    bool m_quiet = false;
};
