#pragma once

#include "platform/web_view.h"

#include <sigc++/signal.h>
#include <webkit/webkit.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What every page view of the program shares: the engine's processes, the
// network session with its cookies and caches, and the blocked words with
// the rule that keeps sockets to blocked addresses closed.
class PageEngine
{
public:
    struct Folders
    {
        // Site data: cookies that are meant to last are kept across runs in
        // data/cookies.sqlite; those a site meant for one visit end with the run.
        std::filesystem::path data;
        std::filesystem::path cache;
        // The folder of the web process extension, which checks every request
        // of a page. The engine loads every module it holds.
        std::filesystem::path extensions;
        // Local pages outside the places the engine's sandbox shows anyway
        // (a session's own folder): shown to the pages' process, read-only.
        std::filesystem::path pages{};
    };

    explicit PageEngine(const Folders& folders);
    ~PageEngine();
    PageEngine(const PageEngine&) = delete;
    PageEngine& operator=(const PageEngine&) = delete;

    // The installed program keeps its extension in webext/ beside itself.
    static std::filesystem::path extensionsBesideProgram();

    // For every view: see WebView::setBlockedWords.
    void setBlockedWords(std::shared_ptr<const WebView::BlockedWords> words);
    // Whether the text holds one of the words, tried one by one: for the few
    // navigations whose engine spelling differs from the text shown.
    bool blocks(std::string_view text) const;

    // Sockets meet the words through a rule the engine compiles, which takes
    // seconds for a long list; until the rule for the current words is in
    // place no socket opens at all. Compiled rules are kept in the data folder
    // and read back on a later start.
    bool socketRuleReady() const { return m_socketRuleReady; }
    sigc::signal<void()>& signal_socketRuleReady() { return m_socketRuleReadySignal; }

    // Whether a web process with the request check announced that it fetches
    // this document. Pages come from processes the engine starts on its own,
    // and one whose module did not load would send every request unchecked.
    bool watched(std::string_view uri) const;

    WebKitWebContext* context() const { return m_context; }
    WebKitNetworkSession* session() const { return m_session; }

    // A view's own content manager, which gets the socket rule while attached.
    void attach(WebKitUserContentManager* content);
    void detach(WebKitUserContentManager* content);

private:
    // The words as a message (the block's descriptor, or the block itself).
    WebKitUserMessage* wordsMessage() const;
    void compileWords();
    void wordsRuleArrived(WebKitUserContentFilter* filter, unsigned generation,
                          const std::string& identifier);
    void applySocketRule();

    WebKitWebContext* m_context = nullptr;
    WebKitNetworkSession* m_session = nullptr;
    WebKitUserContentFilterStore* m_store = nullptr;
    GCancellable* m_cancellable = nullptr;
    std::filesystem::path m_extensions;

    // The words as every web process gets them (see WordMessage): one block
    // that each of them maps, numbered by m_serial.
    std::shared_ptr<const WebView::BlockedWords> m_words;
    std::uint64_t m_serial = 0;
    std::size_t m_wordCount = 0;
    guint m_forgetInit = 0; // drops the words the engine keeps for the next process
    std::deque<std::string> m_watched; // the documents announced last, newest at the back
    std::vector<WebKitUserContentManager*> m_contents;
    WebKitUserContentFilter* m_noSockets = nullptr; // every socket refused
    WebKitUserContentFilter* m_wordsRule = nullptr; // sockets to blocked addresses refused
    unsigned m_generation = 0;                      // which change of the words is current
    bool m_socketRuleReady = true;
    sigc::signal<void()> m_socketRuleReadySignal;
};

// The words of a block as a web process's initialisation data carries them
// (see WordMessage), leaving out those that hold a zero byte: no address
// holds one, so such a word blocks nothing, and cut short it would block too
// much. A floating reference.
GVariant* wordMessageValue(const WordBlock& words, std::uint64_t serial);

// The content-blocker rules that refuse a socket to an address holding one of
// the words, letter case and all. The rule language reads only printable
// ASCII, so other bytes are written as the %-escapes an address carries.
std::string socketRuleSource(const WordBlock& words);

// The engine refuses a content filter of more rules than this, one a word.
inline constexpr std::size_t kMaxSocketRules = 150000;
