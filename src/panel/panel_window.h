#pragma once

#include "shell/app_context.h"

#include <QDialog>

class AddressesTab;
class DesktopLock;
class ElasticPanel;
class FavoritesTab;
class Form1;
class IndexTab;
class PasswordTab;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class SurfLogTab;
class TimeTab;

// The parental control panel. Created hidden during the browser window's
// start-up and never destroyed before the program ends: its lists and check
// boxes are the live data the browser window obeys. Each tab other than
// General is a page class in the folder of what it edits.
class Form2 : public QDialog
{
    Q_OBJECT
public:
    Form2(const AppContext& context, Form1& browser);
    ~Form2() override;

    Form1& browser() const { return m_browser; }
    const AppContext& context() const { return m_context; }

    AddressesTab& addresses() const { return *m_addresses; }
    FavoritesTab& favorites() const { return *m_favorites; }
    TimeTab& time() const { return *m_time; }
    SurfLogTab& surfLog() const { return *m_surfLog; }
    PasswordTab& password() const { return *m_password; }

    // --- controls ----------------------------------------------------------
    IndexTab* VideoSoftIndexTab1; // General|Addresses|Favorites|Time|Surf Log|Password
    QPushButton* Command1;        // "&O K": hides the panel
    QGroupBox* Frame1;            // "Control"
    QCheckBox* Check1;            // Stop Addresses Control (not stored)
    QCheckBox* Check2;            // Stop Time Control (not stored)
    QCheckBox* Check3;            // Surf ONLY in Favorites Sites ("favorites")
    QCheckBox* Check4;            // Disable the Desktop and the Windows Taskbar ("disable")
    QGroupBox* Frame3;            // "Colors"
    QPushButton* Command8;        // "TV Color"
    QPushButton* Command9;        // "Legend Color"
    ElasticPanel* tvfake;         // miniature of the browser window
    QLabel* Label11;              // "legend" on the miniature
    DesktopLock* Disable1;

    // --- handlers ----------------------------------------------------------
    void Form_Load();
    void Command1_Click();
    void Check4_Click();
    void Command8_Click();
    void tvfake_Click();
    void Command9_Click();
    void Label11_Click();
    // timecontrol/: suspends or resumes the schedule check.
    void Check2_Click();
    // favorites/: stores and applies favorites-only mode.
    void Check3_Click();

    // Shows the panel modally; returns when it is hidden again.
    void showModal();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildGeneralTab(QWidget* page);
    void placeOnScreen();

    AppContext m_context;
    Form1& m_browser;
    AddressesTab* m_addresses = nullptr;
    FavoritesTab* m_favorites = nullptr;
    TimeTab* m_time = nullptr;
    SurfLogTab* m_surfLog = nullptr;
    PasswordTab* m_password = nullptr;
};
