#include "shell/webengine_view.h"

#include <QDir>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineHistory>
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

    connect(page, &QWebEnginePage::loadStarted, this, &WebView::DownloadBegin);
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool) { Q_EMIT DownloadComplete(); });
    connect(page, &QWebEnginePage::urlChanged, this,
            [this](const QUrl& url) { Q_EMIT NavigateComplete2(url.toString()); });
    connect(page, &QWebEnginePage::titleChanged, this, &WebView::TitleChange);
    connect(page, &QWebEnginePage::linkHovered, this, &WebView::StatusTextChange);
}

bool WebEngineView::Navigate(const QString& address)
{
    // Read as an address bar reads it: "example.org" is a web address and an
    // absolute path is a local file.
    const QUrl url = QUrl::fromUserInput(address, QDir::homePath(), QUrl::AssumeLocalFile);
    if (!url.isValid() || url.isEmpty())
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
