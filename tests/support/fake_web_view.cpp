#include "fake_web_view.h"

#include <algorithm>
#include <cctype>

bool FakeWebView::Navigate(const std::string& address)
{
    requested.push_back(address);
    if (std::ranges::all_of(address, [](unsigned char c) { return std::isspace(c); }))
        return false;
    return load(address, true);
}

bool FakeWebView::pageNavigates(const std::string& address)
{
    return load(address, true);
}

bool FakeWebView::step(int by)
{
    const int to = index + by;
    if (index < 0 || to < 0 || to >= int(history.size()))
        return false;
    if (load(history[std::size_t(to)], false))
        index = to;
    return true; // attempted, even when the check refused the page
}

void FakeWebView::Stop()
{
    ++stopCount;
    if (m_loading) {
        m_loading = false;
        signal_DownloadComplete().emit();
    }
}

void FakeWebView::Refresh()
{
    ++refreshCount;
    if (index >= 0)
        load(history[std::size_t(index)], false);
}

bool FakeWebView::load(const std::string& address, bool addToHistory)
{
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

void FakeWebView::finishLoad()
{
    if (!m_loading)
        return;
    signal_NavigateComplete2().emit(m_pending);
    signal_TitleChange().emit(std::string());
    m_loading = false;
    signal_DownloadComplete().emit();
}
