#include "password/panel_path.h"

#include "password/first_password_dialog.h"
#include "password/password_prompt.h"
#include "password/stored_password.h"

void runPanelPath(Gtk::Window& browser, const PasswordContext& context,
                  const std::function<void()>& offerCurrentPage, std::function<void()> openPanel)
{
    if (context.password().isUnset()) {
        // A fresh dialog each time, so no earlier typing is ever left in it.
        Form5 form5(&browser, context.password(), context.codePage);
        form5.exec();
    }

    // The current page is offered for the favorites even if the prompt is
    // then cancelled.
    if (offerCurrentPage)
        offerCurrentPage();

    Form3 form3(browser, context, std::move(openPanel));
    form3.exec();
}
