#pragma once

#include "platform/code_page.h"
#include "shell/app_paths.h"

#include <functional>
#include <memory>

class BlockedWordPreload;
class PasswordKeeper;
class SurfRecords;
class Clock;
class SettingsStore;
class WebView;

// What the windows need from outside: the installation folder, the settings,
// the clock, the page view to embed, the way to end the program and the code
// page of the files. Start-up passes the real ones; tests pass a scratch
// folder, a settings file of their own, a fake clock and a fake page view.
struct AppContext
{
    AppPaths paths;
    SettingsStore* settings = nullptr;
    Clock* clock = nullptr;
    // Made once, for the browser window, which then owns it.
    std::function<std::unique_ptr<WebView>()> createWebView;
    // Ends the program, after the quit confirmation.
    std::function<void()> endProgram;
    // The page the data files and the password are kept in: the one the
    // installation recorded at its first start.
    CodePage codePage;
    // The blocked words, read from early in the start; none in tests.
    std::shared_ptr<BlockedWordPreload> blockedWords{};
    // In the family set-up the service keeps the surf log and checks the
    // password; without these the log beside the program and the stored
    // password serve.
    std::function<std::unique_ptr<SurfRecords>()> createRecords{};
    std::shared_ptr<PasswordKeeper> password{};
};
