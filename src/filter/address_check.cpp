#include "filter/addresses_tab.h"
#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "platform/elastic_panel.h"
#include "platform/web_view.h"

#include <QCheckBox>
#include <QComboBox>

void Form1::WebBrowser1_BeforeNavigate2(const QString& url, bool& cancel)
{
    // The first check (the start page, inside the load step's Navigate) is
    // what creates and loads the panel that holds the list.
    Form2& form2 = panel();
    if (form2.Check1->isChecked())
        return;

    setCursor(Qt::WaitCursor);
    rodape->setCaption(QStringLiteral(" Checking site..."));
    if (form2.addresses().blocks(url)) {
        cancel = true;
        unsetCursor();
        Combo1->setEditText(QStringLiteral("S I T E   B L O C K E D"));
        WebBrowser1->Stop();
        return;
    }

    unsetCursor();
    if (Combo1->findText(url, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        Combo1->addItem(url);
    Combo1->setEditText(url);
}
