#pragma once

#include "platform/web_view.h"

#include <string>
#include <vector>

// A page view without an engine: every call raises the events a real one
// would, synchronously and in the same order, and keeps a simple history.
class FakeWebView final : public WebView
{
public:
    bool Navigate(const std::string& address) override;
    bool GoBack() override { return step(-1); }
    bool GoForward() override { return step(+1); }
    void Stop() override;
    void Refresh() override;
    void setBlockedWords(std::shared_ptr<const BlockedWords> words) override
    {
        blockedWords = words;
    }

    // While false, a navigation that was let through stays "downloading"
    // until finishLoad() completes it, as a real engine does later.
    bool autoFinish = true;

    // Raises the events of a page load that the page itself started (a link,
    // a script, a frame), through the before-navigate check like any other.
    bool pageNavigates(const std::string& address);
    void finishLoad();

    std::vector<std::string> history;   // addresses loaded, oldest first
    int index = -1;                     // the shown entry of history
    std::vector<std::string> requested; // every address passed to Navigate, allowed or not
    int stopCount = 0;
    int refreshCount = 0;
    std::shared_ptr<const BlockedWords> blockedWords; // the words last handed over

private:
    bool step(int by);
    bool load(const std::string& address, bool addToHistory);
    bool m_loading = false;
    std::string m_pending;
};
