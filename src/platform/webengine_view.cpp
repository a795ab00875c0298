#include "platform/webengine_view.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <algorithm>
#include <mutex>

// Sees every request of the profile before it is sent, pages and frames as
// well as images, scripts, fetches and downloads; the engine may call it off
// the window's thread.
class WebEngineView::RequestGuard final : public QWebEngineUrlRequestInterceptor
{
public:
    // The profile's guard, installed by the first view on it and owned by it.
    static RequestGuard* of(QWebEngineProfile* profile)
    {
        for (QObject* child : profile->children()) {
            if (auto* guard = dynamic_cast<RequestGuard*>(child))
                return guard;
        }
        auto* guard = new RequestGuard(profile);
        profile->setUrlRequestInterceptor(guard);
        return guard;
    }

    void setCheck(std::shared_ptr<const RequestCheck> check)
    {
        const std::lock_guard lock(m_mutex);
        m_check = std::move(check);
    }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        // The lock covers only the copy: the check itself runs unlocked, on a
        // list that a change replaces rather than edits.
        std::shared_ptr<const RequestCheck> check;
        {
            const std::lock_guard lock(m_mutex);
            check = m_check;
        }
        if (check && (*check)(info.requestUrl().toString()))
            info.block(true);
    }

private:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    std::mutex m_mutex;
    std::shared_ptr<const RequestCheck> m_check;
};

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
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        const bool shown = m_owner->mayShow(url, isMainFrame);
        bool cancel = !shown;
        Q_EMIT m_owner->BeforeNavigate2(url.toString(), &cancel);
        return shown && !cancel;
    }

    QWebEnginePage* createWindow(WebWindowType) override
    {
        bool cancel = false;
        Q_EMIT m_owner->NewWindow2(&cancel);
        // This browser has one window; returning no page opens nothing.
        return nullptr;
    }

    // Upload fields, folder uploads and the script pickers of files, folders
    // and a place to save all end here. The engine's own answer is a file
    // dialog, which browses, renames and deletes the computer's files.
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override
    {
        Q_EMIT m_owner->FilesRefused();
        return {};
    }

private:
    WebEngineView* m_owner;
};

WebEngineView::WebEngineView(QWebEngineProfile* profile, QWidget* parent, const QString& localPages)
    : WebView(parent), m_view(new QWebEngineView(this)), m_guard(RequestGuard::of(profile)),
      m_localPages(localPages.isEmpty() ? QString() : QDir::cleanPath(localPages))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    // Drops reach the engine through the view or the widget it draws in.
    m_view->installEventFilter(this);
    auto* page = new Page(profile, this);
    m_view->setPage(page);
    // The start page and the favorites page are local files whose links lead
    // to web sites; the engine refuses that unless told otherwise.
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    // A file on the clipboard (a file link's copied address is one) would
    // reach the page's scripts when pasted: such a paste never reaches the
    // page. The script's own world keeps the page from undoing it.
    QWebEngineScript noPastedFiles;
    noPastedFiles.setInjectionPoint(QWebEngineScript::DocumentCreation);
    noPastedFiles.setWorldId(QWebEngineScript::ApplicationWorld);
    noPastedFiles.setRunsOnSubFrames(true);
    noPastedFiles.setSourceCode(
        QStringLiteral("addEventListener('paste', e => { if (e.clipboardData?.files.length) {"
                       " e.stopImmediatePropagation(); e.preventDefault(); } }, true);"));
    page->scripts().insert(noPastedFiles);

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

bool WebEngineView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ChildAdded && watched == m_view) {
        static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
        return false;
    }
    if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove &&
        event->type() != QEvent::Drop)
        return false;
    // Files dragged onto the page would reach its scripts; links and text
    // still drop as before.
    const QMimeData* dropped = static_cast<QDropEvent*>(event)->mimeData();
    if (!dropped || std::ranges::none_of(dropped->urls(), &QUrl::isLocalFile))
        return false;
    // Refused where it is aimed, it goes on to the view, which says so once.
    event->ignore();
    if (event->type() == QEvent::DragEnter && watched == m_view)
        Q_EMIT FilesRefused();
    return true;
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

bool WebEngineView::mayShow(const QUrl& url, bool mainFrame) const
{
    const QString scheme = url.scheme();
    if (scheme == u"http" || scheme == u"https")
        return true;
    if (url.isLocalFile()) {
        // A file of the page folder, not a listing of it or of what lies
        // around it (the parent's lists and the surf log are files too).
        const QString path = QDir::cleanPath(url.toLocalFile());
        return !m_localPages.isEmpty() && path.startsWith(m_localPages + u'/') &&
               !QFileInfo(path).isDir();
    }
    // Pages make frames of their own with these; they load nothing.
    return !mainFrame && scheme == u"about" && (url.path() == u"blank" || url.path() == u"srcdoc");
}

bool WebEngineView::Navigate(const QString& address)
{
    const QUrl url = addressBarUrl(address);
    if (url.isEmpty())
        return false;
    // Refused here, before the engine sees it: a typed "javascript:" address
    // would otherwise run in the page on screen without any navigation.
    if (!mayShow(url, true)) {
        bool cancel = true;
        Q_EMIT BeforeNavigate2(url.toString(), &cancel);
        return false;
    }
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

void WebEngineView::setRequestCheck(std::shared_ptr<const RequestCheck> check)
{
    m_guard->setCheck(std::move(check));
}
