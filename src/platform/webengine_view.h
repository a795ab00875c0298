#pragma once

#include "platform/web_view.h"

#include <QUrl>

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

    // What typed text names, read as an address bar reads it; empty when it
    // names nothing that can be loaded ("http://", blank text).
    static QUrl addressBarUrl(const QString& text);

private:
    class Page;
    void reportReached(const QUrl& url);

    QWebEngineView* m_view;
    QUrl m_reached;                   // the address last reported as reached
    bool m_reachedInThisLoad = false; // whether the current load reported it
};
