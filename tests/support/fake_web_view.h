#pragma once

#include "platform/web_view.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

// A page view without an engine: every call raises the events a real one
// would, synchronously and in the same order, and keeps a simple history.
class FakeWebView final : public WebView
{
public:
    bool Navigate(const std::string& address) override
    {
        requested.push_back(address);
        const bool blank =
            std::ranges::all_of(address, [](unsigned char c) { return std::isspace(c); });
        return !blank && load(address, true);
    }
    bool GoBack() override { return step(-1); }
    bool GoForward() override { return step(+1); }
    void Stop() override
    {
        ++stopCount;
        if (std::exchange(m_loading, false))
            signal_DownloadComplete().emit();
    }
    void Refresh() override
    {
        ++refreshCount;
        if (index >= 0)
            load(history[std::size_t(index)], false);
    }
    void setBlockedWords(std::shared_ptr<const BlockedWords> words) override
    {
        blockedWords = std::move(words);
    }
    void holdNavigations(bool hold) override
    {
        m_held = hold;
        while (!m_held && !m_waiting.empty()) {
            const auto [address, addToHistory] = m_waiting.front();
            m_waiting.erase(m_waiting.begin());
            load(address, addToHistory);
        }
    }

    // Raises the events of a page load that the page itself started (a link,
    // a script, a frame), through the before-navigate check like any other.
    bool pageNavigates(const std::string& address) { return load(address, true); }
    // Completes a load held back while autoFinish was false.
    void finishLoad()
    {
        if (!std::exchange(m_loading, false))
            return;
        signal_NavigateComplete2().emit(m_pending);
        signal_TitleChange().emit(std::string());
        signal_DownloadComplete().emit();
    }

    // While false, a navigation that was let through stays "downloading"
    // until finishLoad() completes it, as a real engine does later.
    bool autoFinish = true;
    std::vector<std::string> history;   // addresses loaded, oldest first
    int index = -1;                     // the shown entry of history
    std::vector<std::string> requested; // every address passed to Navigate, allowed or not
    int stopCount = 0;
    int refreshCount = 0;
    std::shared_ptr<const BlockedWords> blockedWords; // the words last handed over

private:
    bool step(int by)
    {
        const int to = index + by;
        if (index < 0 || to < 0 || to >= int(history.size()))
            return false;
        if (load(history[std::size_t(to)], false))
            index = to;
        return true; // attempted, even when the check refused the page
    }
    bool load(const std::string& address, bool addToHistory)
    {
        if (m_held) {
            m_waiting.emplace_back(address, addToHistory);
            return true;
        }
        bool cancel = false;
        signal_BeforeNavigate2().emit(address, cancel);
        if (cancel)
            return false;
        if (addToHistory) {
            history.resize(std::size_t(index + 1));
            history.push_back(address);
            index = int(history.size()) - 1;
        }
        m_loading = true;
        m_pending = address;
        signal_DownloadBegin().emit();
        if (autoFinish)
            finishLoad();
        return true;
    }

    bool m_loading = false;
    std::string m_pending;
    bool m_held = false;
    std::vector<std::pair<std::string, bool>> m_waiting; // held loads, oldest first
};
