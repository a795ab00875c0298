#pragma once

#include "favorites/favorites_tab.h"
#include "filter/addresses_tab.h"
#include "password/password_context.h"
#include "surflog/surf_log_tab.h"
#include "timecontrol/time_tab.h"

class SettingsStore;

// What the panel needs from the program around it: the settings of the
// General tab and what each other tab needs of the installation. Start-up
// fills it from the installation beside the program; tests from a scratch
// folder.
struct PanelContext
{
    SettingsStore* settings = nullptr;
    AddressesContext addresses;
    FavoritesContext favorites;
    TimeContext time;
    SurfLogContext surfLog;
    PasswordContext password;
};
