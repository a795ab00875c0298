#include "panel/panel_window.h"
#include "password/panel_path.h"
#include "shell/browser_window.h"

// The only way into the control panel. Every window on it is modal, so the
// browser window takes no input until the path has ended.
void Form1::VideoSoftElastic8_Click()
{
    const PasswordContext password{m_context.settings, m_context.codePage, m_context.password};
    runPanelPath(
        *this, password,
        [this] {
            // The current page is offered for the favorites even if the
            // prompt is then cancelled.
            Form2& form2 = panel();
            form2.favorites().Text4.set_text(CurrentTitle);
            form2.favorites().Text5.set_text(CurrentUrl);
        },
        [this, &password] {
            panel().showModal();
            // What the password allowed ends with the panel.
            password.password().close();
        });
}
