#pragma once

#include "platform/word_message.h"

#include <gtkmm/box.h>
#include <sigc++/signal.h>

#include <memory>
#include <string>
#include <vector>

// What the program uses of the embedded browser, and nothing more. The
// browser window talks only to this, so its tests run against a fake and the
// real engine sits behind one adapter. Texts are UTF-8.
class WebView : public Gtk::Box
{
public:
    WebView() = default;
    ~WebView() override = default;

    // Loads what the text names, read as an address bar reads it (a bare host
    // name works). Returns false when the text names nothing that can be
    // loaded, or something the view never shows.
    virtual bool Navigate(const std::string& address) = 0;
    // Both fail (return false, load nothing) when there is no page to go to.
    virtual bool GoBack() = 0;
    virtual bool GoForward() = 0;
    virtual void Stop() = 0;
    virtual void Refresh() = 0;

    // Every request the engine makes (pages, frames, images, scripts, styles,
    // fetches, sockets) is failed unsent when its address holds one of the
    // words, letter case and all; null or an empty list lets every request
    // through. The engine's other processes check the requests, so the words
    // (with the list's index, where it holds one) travel to them as a shared
    // block; a change holds from the next request on.
    using BlockedWords = WordBlock;
    virtual void setBlockedWords(std::shared_ptr<const BlockedWords> words) = 0;

    // While held, navigations wait: their before-navigate event is raised
    // when released, in order, so no check is answered before its words are
    // in. A view starts released.
    virtual void holdNavigations(bool hold) = 0;

    // Raised before every navigation, main frame or frame, whatever started
    // it; setting cancel to true prevents it. May be raised inside Navigate.
    // url is an address given to Navigate exactly as given ("http://" put
    // before one that names no scheme), any other as a person reads it (its
    // host in its own letters, spaces and letters unescaped); the other
    // events name it the same way. cancel arrives already true for an address
    // the view never shows (only web pages and the installation's own pages
    // are shown), or whose other spellings hold a blocked word: that
    // navigation is refused whatever the handler does.
    sigc::signal<void(const std::string& url, bool& cancel)>& signal_BeforeNavigate2()
    {
        return m_beforeNavigate2;
    }
    sigc::signal<void()>& signal_DownloadBegin() { return m_downloadBegin; }
    // Also raised when a load was stopped or failed.
    sigc::signal<void()>& signal_DownloadComplete() { return m_downloadComplete; }
    sigc::signal<void(const std::string& url)>& signal_NavigateComplete2()
    {
        return m_navigateComplete2;
    }
    // Raised when a page asks for a new window (a script or a link with a
    // target). The browser has one window: none opens, whatever cancel says.
    sigc::signal<void(bool& cancel)>& signal_NewWindow2() { return m_newWindow2; }
    // Raised when the page asked for files of the computer (an upload field,
    // a script's picker) or files were dropped on it. It gets none and no
    // window onto the files opens.
    sigc::signal<void()>& signal_FilesRefused() { return m_filesRefused; }
    sigc::signal<void(const std::string& text)>& signal_StatusTextChange()
    {
        return m_statusTextChange;
    }
    sigc::signal<void(const std::string& text)>& signal_TitleChange() { return m_titleChange; }

private:
    sigc::signal<void(const std::string&, bool&)> m_beforeNavigate2;
    sigc::signal<void()> m_downloadBegin;
    sigc::signal<void()> m_downloadComplete;
    sigc::signal<void(const std::string&)> m_navigateComplete2;
    sigc::signal<void(bool&)> m_newWindow2;
    sigc::signal<void()> m_filesRefused;
    sigc::signal<void(const std::string&)> m_statusTextChange;
    sigc::signal<void(const std::string&)> m_titleChange;
};
