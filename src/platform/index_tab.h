#pragma once

#include <gtkmm/box.h>
#include <gtkmm/fixed.h>
#include <gtkmm/notebook.h>

#include <memory>
#include <string>
#include <vector>

// A tab strip whose captions come from one "A|B|C" text. Each tab shows its
// own page, unless the strip shares one page between all tabs (a weekday
// strip over one grid). Switch(oldTab, newTab) follows every change of tab.
class IndexTab : public Gtk::Box
{
public:
    IndexTab();
    ~IndexTab() override;

    void setCaptions(const std::string& captions);
    std::string captions() const;
    int count() const;

    // The page shown for a tab (the shared page when pages are shared); its
    // controls sit at fixed places, as designed.
    Gtk::Fixed* page(int tab);
    void setSharedPage(bool shared);

    // The tab entered by the last switch, or 0 before any.
    int currentTab() const { return m_current; }
    // Switches as a click on that tab would; Switch is emitted unless
    // `announce` is false (a handler putting the old tab back).
    void setCurrentTab(int tab, bool announce = true);

    Gtk::Notebook& notebook() { return m_notebook; }

    sigc::signal<void(int oldTab, int newTab)>& signal_Switch() { return m_switch; }

private:
    void rebuildPages();
    void clearPages();
    void switched(int tab);

    Gtk::Notebook m_notebook;
    std::vector<std::string> m_captions;
    // One page per tab; when shared, empty holders that take the shared page
    // in turn.
    std::vector<std::unique_ptr<Gtk::Widget>> m_pages;
    Gtk::Fixed m_sharedPage;
    sigc::signal<void(int, int)> m_switch;
    bool m_shared = false;
    bool m_rebuilding = false;
    bool m_quiet = false;
    int m_current = 0;
};
