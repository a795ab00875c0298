#pragma once

#include <QString>
#include <QStringView>
#include <QWidget>

#include <functional>
#include <memory>

// What the program uses of the embedded browser, and nothing more. The
// browser window talks only to this, so its tests run against a fake and the
// real engine sits behind one adapter.
class WebView : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Loads what the text names, read as a browser's address bar reads it
    // (a bare host name works). Returns false when the text names nothing
    // that can be loaded.
    virtual bool Navigate(const QString& address) = 0;
    // Both fail (return false, load nothing) when there is no page to go to.
    virtual bool GoBack() = 0;
    virtual bool GoForward() = 0;
    virtual void Stop() = 0;
    virtual void Refresh() = 0;

    // True for an address whose request must not leave the machine.
    using RequestCheck = std::function<bool(QStringView address)>;
    // Every request the engine makes (pages, frames, images, scripts, styles,
    // fetches, downloads) is failed unsent when the check says so; a null
    // check lets every request through. The engine may call the check off
    // the window's thread, so it must only read what no one changes: a new
    // list comes as a new check.
    virtual void setRequestCheck(std::shared_ptr<const RequestCheck> check) = 0;

Q_SIGNALS:
    // Raised before every navigation, main frame or frame, whatever started
    // it; setting *cancel to true prevents it. May be raised inside Navigate.
    // *cancel arrives already true for an address the view never shows (only
    // web pages and the installation's own pages are shown): that navigation
    // is refused whatever the handler does.
    void BeforeNavigate2(const QString& url, bool* cancel);
    void DownloadBegin();
    // Also raised when a download was stopped or failed.
    void DownloadComplete();
    void NavigateComplete2(const QString& url);
    // Raised when a page asks for a new window (a script or a link with a
    // target). The browser has one window: none opens, whatever *cancel says.
    void NewWindow2(bool* cancel);
    // Raised when the page asked for files of the computer (an upload field,
    // a file or folder picker, files dropped on it). It gets none and no
    // window onto the files opens: the request ends as if cancelled.
    void FilesRefused();
    void StatusTextChange(const QString& text);
    void TitleChange(const QString& text);
};
