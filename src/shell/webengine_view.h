#pragma once

#include "shell/web_view.h"

class QWebEngineProfile;
class QWebEngineView;

// The page view over Qt WebEngine. Every navigation request of the page, main
// frame or frame, typed, followed, scripted, redirected or from the history,
// passes through BeforeNavigate2 before it starts; new windows never open.
class WebEngineView final : public WebView
{
    Q_OBJECT
public:
    WebEngineView(QWebEngineProfile* profile, QWidget* parent);

    bool Navigate(const QString& address) override;
    bool GoBack() override;
    bool GoForward() override;
    void Stop() override;
    void Refresh() override;

    QWebEngineView* engineView() const { return m_view; }

private:
    class Page;
    QWebEngineView* m_view;
};
