#include "panel/panel_window.h"
#include "platform/web_view.h"
#include "shell/browser_window.h"

#include <algorithm>
#include <memory>

void Form1::WebBrowser1_BeforeNavigate2(const std::string& url, bool& cancel)
{
    // The first check (the start page, inside the load step's Navigate) is
    // what creates and loads the panel that holds the list.
    Form2& form2 = panel();
    form2.addresses().waitUntilLoaded(); // no address is let through on a list half in
    // The page view refuses what is neither a web page nor one of the
    // installation's pages; the child sees that as a blocked site, always.
    const bool refused = cancel;
    if (!refused && form2.Check1.get_active())
        return;

    set_cursor("wait");
    rodape.setCaption(" Checking site...");
    if (refused || form2.addresses().blocks(url)) {
        cancel = true;
        gtk_widget_set_cursor(Gtk::Widget::gobj(), nullptr);
        setEditText("S I T E   B L O C K E D");
        WebBrowser1->Stop();
        return;
    }

    gtk_widget_set_cursor(Gtk::Widget::gobj(), nullptr);
    if (std::find(m_history.begin(), m_history.end(), url) == m_history.end())
        addToHistory(url);
    setEditText(url);
}

void Form1::followAddressControl(Form2& form2)
{
    // Every other request of the page (images, scripts, fetches, downloads)
    // meets the same words, unless the parent stopped the control.
    // The engine gets the list's own index, shared with its processes: a
    // change of the words, and a build finishing, each send it again.
    // One record of what was sent, shared by every copy of the handler.
    auto sent = std::make_shared<std::shared_ptr<const WebView::BlockedWords>>();
    auto publish = [this, &form2, sent] {
        if (form2.Check1.get_active()) {
            *sent = nullptr;
            WebBrowser1->setBlockedWords(nullptr);
            return;
        }
        const std::shared_ptr<const WebView::BlockedWords> block =
            form2.addresses().list().matcher()->block();
        if (block == *sent)
            return;
        *sent = block;
        WebBrowser1->setBlockedWords(block);
    };
    publish();
    form2.Check1.signal_toggled().connect(publish);
    form2.addresses().list().signal_matcher_changed().connect(publish);
}
