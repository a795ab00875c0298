#pragma once

#include "platform/code_page.h"

class SettingsStore;

// What the password windows need of the installation: the settings that keep
// the scrambled password, and the code page it is scrambled in.
struct PasswordContext
{
    SettingsStore* settings = nullptr;
    CodePage codePage;
};
