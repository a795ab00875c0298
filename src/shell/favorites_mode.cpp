#include "platform/web_view.h"
#include "shell/browser_window.h"

void Form1::cmdBookMarks_Click()
{
    // The page goes through the address check like any other.
    WebBrowser1->Navigate(m_context.paths.pageAddress(AppPaths::FavoritesPage));
}

// The panel stored (or tried to store) favorites-only mode; it holds at once.
void Form1::Form2_FavoritesOnly(bool on)
{
    Combo1.set_sensitive(!on);
}
