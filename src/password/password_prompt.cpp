#include "password/password_prompt.h"

#include "panel/panel_window.h"
#include "password/stored_password.h"
#include "platform/twips.h"
#include "shell/app_context.h"
#include "shell/browser_window.h"

#include <QLineEdit>
#include <QPushButton>

using namespace PasswordWidgets;

Form3::Form3(Form1& browser)
    : PasswordDialog(&browser, "Form3", QSize(twips(3495), twips(1380))), m_browser(browser)
{
    Label1 =
        label(this, "Label1", QStringLiteral("Enter your password"), twipsRect(150, 75, 2640, 240));
    // Created in tab order: entry, O K, Cancel.
    Text3 = maskedEntry(this, "Text3", twipsRect(150, 300, 3165, 285));
    Command6 = button(this, "Command6", QStringLiteral("O K"), twipsRect(1875, 750, 1065, 390));
    Command1 = button(this, "Command1", QStringLiteral("Cancel"), twipsRect(450, 750, 1065, 390));
    Text3->setFocus();

    connect(Command6, &QPushButton::clicked, this, &Form3::Command6_Click);
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    routeKeyPress(Text3, [this](int& keyAscii) { Text3_KeyPress(keyAscii); });
}

void Form3::Command6_Click()
{
    const AppContext& context = m_browser.context();
    if (StoredPassword::matches(Text3->text(),
                                StoredPassword::expected(*context.settings, context.codePage),
                                context.codePage)) {
        Text3->clear();
        // The prompt is gone before the panel shows; its loop ends once the
        // panel has been closed again and this click has returned.
        done(Accepted);
        m_browser.panel().showModal();
        return;
    }
    showTryAgain(this);
    Text3->clear();
    Text3->setFocus();
}

void Form3::Command1_Click()
{
    done(Rejected);
}

void Form3::Text3_KeyPress(int& keyAscii)
{
    if (keyAscii == 13)
        Command6->setFocus();
}
