#pragma once

#include "panel/panel_context.h"
#include "password/password_tab.h"
#include "platform/desktop_lock.h"
#include "platform/elastic_panel.h"
#include "platform/index_tab.h"

#include <gdkmm/rgba.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/fixed.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>
#include <sigc++/signal.h>

#include <memory>

// The parental control panel. Made hidden during the browser window's
// start-up and kept until the program ends: its lists and check boxes are the
// live data the browser window obeys. Each tab other than General is a class
// in the folder of what it edits. What the browser window must do when
// the parent changes something reaches it through the signals below, so the
// panel knows nothing of that window but its place on the screen.
class Form2 : public Gtk::Window
{
public:
    Form2(const PanelContext& context, Gtk::Window& browser);
    ~Form2() override;

    const PanelContext& context() const { return m_context; }

    AddressesTab& addresses() const { return *m_addresses; }
    FavoritesTab& favorites() const { return *m_favorites; }
    TimeTab& time() const { return *m_time; }
    SurfLogTab& surfLog() const { return *m_surfLog; }
    PasswordTab& password() const { return *m_password; }

    // --- controls ----------------------------------------------------------
    IndexTab VideoSoftIndexTab1; // General|Addresses|Favorites|Time|Surf Log|Password
    Gtk::Button Command1;        // "O K": hides the panel
    Gtk::Frame Frame1;           // "Control"
    Gtk::CheckButton Check1;     // Stop Addresses Control (not stored)
    Gtk::CheckButton Check2;     // Stop Time Control (not stored)
    Gtk::CheckButton Check3;     // Surf ONLY in Favorites Sites ("favorites")
    Gtk::CheckButton Check4;     // Disable the Desktop and the Windows Taskbar ("disable")
    Gtk::Frame Frame3;           // "Colors"
    Gtk::Button Command8;        // "TV Color"
    Gtk::Button Command9;        // "Legend Color"
    ElasticPanel tvfake;         // miniature of the browser window
    ElasticPanel tvfakeScreen;   // its screen
    Gtk::Label Label11;          // "legend" on the miniature
    DesktopLock Disable1;

    // --- handlers ----------------------------------------------------------
    void Form_Load();
    void Command1_Click();
    void Check2_Click();
    void Check3_Click();
    void Check4_Click();
    void Command8_Click();
    void tvfake_Click();
    void Command9_Click();
    void Label11_Click();

    // Shows the panel over the browser window, which takes no input while
    // it is open; returns when the panel is hidden again.
    void showModal();

    // The legend's colour as the miniature shows it.
    const Gdk::RGBA& legendColor() const { return m_legendColor; }

    // For the browser window: the schedule check stopped (true) or resumed,
    // favorites-only mode on or off, and the colours the parent chose.
    sigc::signal<void(bool stopped)>& signal_timeControlStopped() { return m_timeControlStopped; }
    sigc::signal<void(bool on)>& signal_favoritesOnly() { return m_favoritesOnly; }
    sigc::signal<void(const Gdk::RGBA&)>& signal_tvColor() { return m_tvColor; }
    sigc::signal<void(const Gdk::RGBA&)>& signal_legendColor() { return m_legendColorSignal; }

private:
    void buildGeneralTab(Gtk::Fixed& page);
    void setLegendColor(const Gdk::RGBA& color);

    PanelContext m_context;
    std::unique_ptr<AddressesTab> m_addresses;
    std::unique_ptr<FavoritesTab> m_favorites;
    std::unique_ptr<TimeTab> m_time;
    std::unique_ptr<SurfLogTab> m_surfLog;
    std::unique_ptr<PasswordTab> m_password;
    Gtk::Fixed m_body;
    Gdk::RGBA m_legendColor{"white"};
    sigc::signal<void(bool)> m_timeControlStopped;
    sigc::signal<void(bool)> m_favoritesOnly;
    sigc::signal<void(const Gdk::RGBA&)> m_tvColor;
    sigc::signal<void(const Gdk::RGBA&)> m_legendColorSignal;
};
