#pragma once

#include "platform/web_view.h"

#include <QStringList>

// A page view without an engine: every call raises the events a real one
// would, synchronously and in the same order, and keeps a simple history.
class FakeWebView final : public WebView
{
    Q_OBJECT
public:
    using WebView::WebView;

    bool Navigate(const QString& address) override;
    bool GoBack() override { return step(-1); }
    bool GoForward() override { return step(+1); }
    void Stop() override;
    void Refresh() override;
    void setRequestCheck(std::shared_ptr<const RequestCheck>) override {}

    // While false, a navigation that was let through stays "downloading"
    // until finishLoad() completes it, as a real engine does later.
    bool autoFinish = true;

    // Raises the events of a page load that the page itself started (a link,
    // a script, a frame), through the before-navigate check like any other.
    bool pageNavigates(const QString& address);
    void finishLoad();

    QStringList history;   // addresses loaded, oldest first
    int index = -1;        // the shown entry of history
    QStringList requested; // every address passed to Navigate, allowed or not
    int stopCount = 0;
    int refreshCount = 0;

private:
    bool step(int by);
    bool load(const QString& address, bool addToHistory);
    bool m_loading = false;
    QString m_pending;
};
