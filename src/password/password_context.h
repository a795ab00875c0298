#pragma once

#include "password/stored_password.h"
#include "platform/code_page.h"

#include <memory>

class SettingsStore;

// What the password windows need of the installation: the settings that keep
// the scrambled password, and the code page it is scrambled in.
struct PasswordContext
{
    SettingsStore* settings = nullptr;
    CodePage codePage;
    // Who checks the password; one over the settings above is made on first
    // use when none is given.
    mutable std::shared_ptr<PasswordKeeper> keeper{};

    PasswordKeeper& password() const
    {
        if (!keeper)
            keeper = std::make_shared<StoredPasswordKeeper>(*settings, codePage);
        return *keeper;
    }
};
