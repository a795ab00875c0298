#pragma once

#include "platform/web_view.h"

#include <QUrl>

class QWebEngineProfile;
class QWebEngineView;

// The page view over Qt WebEngine. Every navigation request of the page, main
// frame or frame, typed, followed, scripted, redirected or from the history,
// passes through BeforeNavigate2 before it starts; new windows never open.
// Pages and frames show only http and https addresses and the files of the
// installation's page folder (frames also the blank pages scripts make);
// every request of the profile passes the request check. A page never gets a
// file of the computer, and nothing opens a window onto them.
class WebEngineView final : public WebView
{
    Q_OBJECT
public:
    // localPages: the folder whose files may be shown besides web pages (the
    // installation's html/ folder); without one, no local file is shown.
    WebEngineView(QWebEngineProfile* profile, QWidget* parent, const QString& localPages = {});

    bool Navigate(const QString& address) override;
    bool GoBack() override;
    bool GoForward() override;
    void Stop() override;
    void Refresh() override;
    // The check holds for every view on the same profile.
    void setRequestCheck(std::shared_ptr<const RequestCheck> check) override;

    QWebEngineView* engineView() const { return m_view; }

    // What typed text names, read as an address bar reads it; empty when it
    // names nothing that can be loaded ("http://", blank text).
    static QUrl addressBarUrl(const QString& text);

    // Whether a page (or, with mainFrame false, a frame) may show the address.
    bool mayShow(const QUrl& url, bool mainFrame) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Page;
    class RequestGuard;
    void reportReached(const QUrl& url);

    QWebEngineView* m_view;
    RequestGuard* m_guard;
    QString m_localPages;
    QUrl m_reached;                   // the address last reported as reached
    bool m_reachedInThisLoad = false; // whether the current load reported it
};
