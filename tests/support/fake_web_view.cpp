#include "fake_web_view.h"

bool FakeWebView::Navigate(const QString& address)
{
    requested << address;
    if (address.trimmed().isEmpty())
        return false;
    return load(address, true);
}

bool FakeWebView::pageNavigates(const QString& address)
{
    return load(address, true);
}

bool FakeWebView::step(int by)
{
    const int to = index + by;
    if (index < 0 || to < 0 || to >= history.size())
        return false;
    if (load(history[to], false))
        index = to;
    return true; // attempted, even when the check refused the page
}

void FakeWebView::Stop()
{
    ++stopCount;
    if (m_loading) {
        m_loading = false;
        Q_EMIT DownloadComplete();
    }
}

void FakeWebView::Refresh()
{
    ++refreshCount;
    if (index >= 0)
        load(history[index], false);
}

bool FakeWebView::load(const QString& address, bool addToHistory)
{
    bool cancel = false;
    Q_EMIT BeforeNavigate2(address, &cancel);
    if (cancel)
        return false;
    if (addToHistory) {
        history = history.mid(0, index + 1);
        history << address;
        index = int(history.size()) - 1;
    }
    m_loading = true;
    m_pending = address;
    Q_EMIT DownloadBegin();
    if (autoFinish)
        finishLoad();
    return true;
}

void FakeWebView::finishLoad()
{
    if (!m_loading)
        return;
    Q_EMIT NavigateComplete2(m_pending);
    Q_EMIT TitleChange(QString());
    m_loading = false;
    Q_EMIT DownloadComplete();
}
