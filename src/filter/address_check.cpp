#include "panel/panel_window.h"
#include "shell/browser_window.h"

// Placeholder until the blocked-word check lands: every address passes.
void Form1::WebBrowser1_BeforeNavigate2(const QString& url, bool& cancel)
{
    Q_UNUSED(url);
    Q_UNUSED(cancel);
    panel();
}
