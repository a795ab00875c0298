#pragma once

#include "platform/web_view.h"

// A page view that loads nothing, for benchmarks that need a browser window
// but measure something else.
class NullWebView final : public WebView
{
public:
    using WebView::WebView;
    bool Navigate(const QString&) override { return true; }
    bool GoBack() override { return false; }
    bool GoForward() override { return false; }
    void Stop() override {}
    void Refresh() override {}
    void setRequestCheck(std::shared_ptr<const RequestCheck>) override {}
};
