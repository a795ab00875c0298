#pragma once

#include "filter/blocked_word_list.h"
#include "platform/code_page.h"

#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/fixed.h>
#include <gtkmm/label.h>
#include <gtkmm/listview.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/singleselection.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

// What the Addresses tab needs from the installation: its list file, the
// code page the file is kept in, and the words read early in the start, if
// any (tests read the file in load()).
struct AddressesContext
{
    std::filesystem::path listFile;
    CodePage codePage;
    std::shared_ptr<BlockedWordPreload> preload{};
};

// The Addresses tab: the blocked-word list and its editor. A word moves from
// the text box into the list with Add and back out with Delete or a double
// click, so a removed word can be corrected and added again. Every change
// rewrites the list file at once.
class AddressesTab final
{
public:
    // Puts the tab's controls on page, at their designed places.
    AddressesTab(const AddressesContext& context, Gtk::Fixed& page);
    ~AddressesTab();
    AddressesTab(const AddressesTab&) = delete;
    AddressesTab& operator=(const AddressesTab&) = delete;

    // Fills the tab from its file, once, during the panel's load step.
    void load();
    // A long list still being read when the panel loads is put in place as
    // soon as it is in, and the window goes on meanwhile; whatever needs the
    // words before then (a check, the panel shown) waits for them here.
    bool loading() const { return m_loading.connected(); }
    void waitUntilLoaded();
    sigc::signal<void()>& signal_loaded() { return m_loaded; }
    // Tells the parent, once, what they should know of the list's check.
    void panelOpening();

    // The list the address check reads; List1 shows it.
    BlockedWordList& list() { return m_list; }
    bool blocks(std::string_view address) const { return m_list.blocks(address); }

    // The row selected in List1, if any.
    std::optional<std::size_t> selectedRow() const;
    Gtk::SingleSelection& selection() { return *m_selection; }

    // --- controls ----------------------------------------------------------
    Gtk::Label Label5;     // "New word to block in the URL's:"
    Gtk::Entry Text1;      // the word being added or corrected
    Gtk::Button Command11; // "&Add ->"
    Gtk::Button Command12; // "<- &Delete"
    Gtk::Label Label4;     // "List of words to be blocked in the URL's:"
    Gtk::ScrolledWindow List1Scroller;
    Gtk::ListView List1; // the blocked words, sorted ignoring case

    // --- handlers ----------------------------------------------------------
    void Command11_Click();
    void Command12_Click();
    void List1_DblClick();
    void Text1_GotFocus();
    void List1_GotFocus();

private:
    void finishLoading();
    void focusText1();
    void save();

    AddressesContext m_context;
    Gtk::Fixed& m_page;
    BlockedWordList m_list;
    Glib::RefPtr<Gtk::SingleSelection> m_selection;
    sigc::connection m_doubleClick;
    sigc::connection m_loading; // polls the reading of a long list
    sigc::signal<void()> m_loaded;
};
