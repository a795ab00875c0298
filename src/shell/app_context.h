#pragma once

#include "shell/app_paths.h"

#include <functional>

class Clock;
class SettingsStore;
class WebView;
class QWidget;

// What the windows need from outside: the installation folder, the settings,
// the clock, the page view to embed and the way to end the program. Start-up
// passes the real ones; tests pass a temporary folder, a settings file of
// their own, a fake clock and a fake page view.
struct AppContext
{
    AppPaths paths;
    SettingsStore* settings = nullptr;
    Clock* clock = nullptr;
    std::function<WebView*(QWidget* parent)> createWebView;
    // Ends the program at once, after the quit confirmation.
    std::function<void()> endProgram;
};
