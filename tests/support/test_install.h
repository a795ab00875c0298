#pragma once

// What every test of the windows includes: the windows, the controls that
// stand in for the platform's, and Qt's widgets.
#include "fake_web_view.h"
#include "panel/panel_window.h"
#include "platform/clock.h"
#include "platform/desktop_lock.h"
#include "platform/elastic_panel.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "shell/app_context.h"
#include "shell/browser_window.h"
#include "test_main.h"

#include <QtWidgets>
#include <memory>

// A clock the test sets.
class FakeClock final : public Clock
{
public:
    QDateTime now() const override { return moment; }
    QDateTime moment = QDateTime(QDate(2026, 12, 7), QTime(10, 0)); // a Monday
};

// A fresh installation in a temporary folder, laid from the project's data/
// folder, with its own settings file, a fake clock and fake page views.
class TestInstall
{
    QTemporaryDir m_dir; // first: everything below lives inside it

public:
    TestInstall();
    ~TestInstall();

    QString dir() const { return m_dir.path(); }
    QString file(const QString& relative) const { return dir() + relative; }
    QByteArray bytes(const QString& relative) const;
    void setBytes(const QString& relative, const QByteArray& bytes) const;

    AppContext context();
    // A browser window on this installation, loaded (as start-up does) unless
    // asked not to. The schedule check is stopped so it runs only when a test
    // calls it.
    std::unique_ptr<Form1> window(bool load = true);
    FakeWebView* view(Form1& form) const;

    SettingsStore settings;
    FakeClock clock;
    int endProgramCalls = 0;
};

// A box as one comparable text: "title | text | buttons | icon | default".
QString box(const QString& text, const QString& title, MessageBox::Buttons buttons,
            MessageBox::Icon icon, MessageBox::Button defaultButton = QMessageBox::NoButton);
// The one box shown since the last look, as box() writes it; "N boxes" unless one.
QString shownBox();
