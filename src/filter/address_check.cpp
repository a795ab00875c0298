#include "filter/addresses_tab.h"
#include "filter/blocked_word_list.h"
#include "panel/panel_window.h"
#include "platform/elastic_panel.h"
#include "platform/web_view.h"
#include "shell/browser_window.h"

#include <QCheckBox>
#include <QComboBox>

void Form1::WebBrowser1_BeforeNavigate2(const QString& url, bool& cancel)
{
    // The first check (the start page, inside the load step's Navigate) is
    // what creates and loads the panel that holds the list.
    Form2& form2 = panel();
    // The page view refuses what is neither a web page nor one of the
    // installation's pages; the child sees that as a blocked site, always.
    const bool refused = cancel;
    if (!refused && form2.Check1->isChecked())
        return;

    setCursor(Qt::WaitCursor);
    rodape->setCaption(QStringLiteral(" Checking site..."));
    if (refused || form2.addresses().blocks(url)) {
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

void Form1::followAddressControl(Form2& form2)
{
    // Every other request of the page (images, scripts, fetches, downloads)
    // meets the same words, through the very index the check above asks.
    const BlockedWordList& list = form2.addresses().list();
    auto publish = [this, &form2, &list] {
        if (form2.Check1->isChecked()) {
            WebBrowser1->setRequestCheck(nullptr);
            return;
        }
        WebBrowser1->setRequestCheck(std::make_shared<const WebView::RequestCheck>(
            [matcher = list.matcher()](QStringView address) { return matcher->matches(address); }));
    };
    publish();
    connect(form2.Check1, &QCheckBox::toggled, this, publish);
    connect(&list, &BlockedWordList::matcherChanged, this, publish);
}
