#include "panel/panel_window.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "platform/web_view.h"
#include "shell/browser_window.h"

#include <QCheckBox>
#include <QComboBox>

void Form1::cmdBookMarks_Click()
{
    // The page goes through the address check like any other.
    WebBrowser1->Navigate(m_context.paths.pageAddress(AppPaths::FavoritesPage));
}

void Form2::Check3_Click()
{
    const bool on = Check3->isChecked();
    QString error;
    // The switch acts even when it could not be stored; the parent is told
    // that it will not survive a restart.
    // Start-up sets the box from the stored value: writing it back would
    // cost a read-only settings file a message at every start.
    const bool stored = SettingValue::integer(m_context.settings->read(QStringLiteral("favorites"),
                                                                       QStringLiteral("0"))) == 1;
    if (stored != on &&
        !m_context.settings->write(QStringLiteral("favorites"),
                                   on ? QStringLiteral("1") : QStringLiteral("0"), &error))
        MessageBox::showSaveError(this, error);
    m_browser.Combo1->setEnabled(!on);
}
