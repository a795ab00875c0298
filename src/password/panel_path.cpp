#include "favorites/favorites_tab.h"
#include "panel/panel_window.h"
#include "password/first_password_dialog.h"
#include "password/password_prompt.h"
#include "password/stored_password.h"
#include "shell/browser_window.h"

#include <QLineEdit>

// The only way into the control panel. Every window on it is modal, so the
// browser window takes no input until the path has ended.
void Form1::VideoSoftElastic8_Click()
{
    if (StoredPassword::isUnset(*m_context.settings)) {
        // A fresh dialog each time, so no earlier typing is ever left in it.
        Form5 form5(this, *m_context.settings, m_context.codePage);
        form5.exec();
    }

    // The current page is offered for the favorites even if the prompt is
    // then cancelled.
    Form2& form2 = panel();
    form2.favorites().Text4->setText(CurrentTitle);
    form2.favorites().Text5->setText(CurrentUrl);

    Form3 form3(*this);
    form3.exec();
}
