#include "platform/webengine_view.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

// Decides on every navigation in one place, before the engine starts it.
class WebEngineView::Page final : public QWebEnginePage
{
public:
    Page(QWebEngineProfile* profile, WebEngineView* owner)
        : QWebEnginePage(profile, owner), m_owner(owner)
    {
    }

protected:
    // Called for main frames and frames alike, for typed, followed, scripted,
    // redirected and history navigations; refusing one means the request is
    // never sent.
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        bool cancel = false;
        Q_EMIT m_owner->BeforeNavigate2(url.toString(), &cancel);
        return !cancel;
    }

    QWebEnginePage* createWindow(WebWindowType) override
    {
        bool cancel = false;
        Q_EMIT m_owner->NewWindow2(&cancel);
        // This browser has one window; returning no page opens nothing.
        return nullptr;
    }

private:
    WebEngineView* m_owner;
};

WebEngineView::WebEngineView(QWebEngineProfile* profile, QWidget* parent)
    : WebView(parent), m_view(new QWebEngineView(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    auto* page = new Page(profile, this);
    m_view->setPage(page);
    // The start page and the favorites page are local files whose links lead
    // to web sites; the engine refuses that unless told otherwise.
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);

    // The engine's address also changes when a typed address is merely
    // requested, and changes back when that request is refused or stopped;
    // only an address that the history holds as its current entry has been
    // reached. A load that keeps the address (a reload, the same address
    // again) is reported when it ends.
    connect(page, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        if (url == m_view->history()->currentItem().url() && url != m_reached)
            reportReached(url);
    });
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            m_reachedInThisLoad = false;
            Q_EMIT DownloadBegin();
            return;
        }
        const QUrl current = m_view->history()->currentItem().url();
        const bool shown =
            info.status() == QWebEngineLoadingInfo::LoadSucceededStatus || info.isErrorPage();
        if (!m_reachedInThisLoad && (shown || current != m_reached))
            reportReached(current);
        Q_EMIT DownloadComplete();
    });
    connect(page, &QWebEnginePage::titleChanged, this, &WebView::TitleChange);
    connect(page, &QWebEnginePage::linkHovered, this, &WebView::StatusTextChange);
}

void WebEngineView::reportReached(const QUrl& url)
{
    m_reached = url;
    m_reachedInThisLoad = true;
    Q_EMIT NavigateComplete2(url.toString());
}

QUrl WebEngineView::addressBarUrl(const QString& text)
{
    // As an address bar reads it: "example.org" and "127.0.0.1:8080/x" are web
    // addresses and an absolute path is a local file.
    const QUrl url = QUrl::fromUserInput(text);
    if (!url.isValid() || url.isEmpty())
        return QUrl();
    const QString scheme = url.scheme();
    const bool needsHost = scheme == u"http" || scheme == u"https" || scheme == u"ftp" ||
                           scheme == u"ws" || scheme == u"wss";
    if (needsHost && url.host().isEmpty())
        return QUrl();
    if (url.isLocalFile() && url.path().isEmpty())
        return QUrl();
    return url;
}

bool WebEngineView::Navigate(const QString& address)
{
    const QUrl url = addressBarUrl(address);
    if (url.isEmpty())
        return false;
    m_view->load(url);
    return true;
}

bool WebEngineView::GoBack()
{
    if (!m_view->history()->canGoBack())
        return false;
    m_view->back();
    return true;
}

bool WebEngineView::GoForward()
{
    if (!m_view->history()->canGoForward())
        return false;
    m_view->forward();
    return true;
}

void WebEngineView::Stop()
{
    m_view->stop();
}

void WebEngineView::Refresh()
{
    m_view->reload();
}
