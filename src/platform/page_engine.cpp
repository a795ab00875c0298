#include "platform/page_engine.h"

#include "platform/word_message.h"

#include <gio/gunixfdlist.h>
#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr char NoSocketsId[] = "no-sockets";
constexpr char NoSocketsSource[] =
    R"([{"trigger":{"url-filter":".*","resource-type":["websocket"]},"action":{"type":"block"}}])";

// Keeps the engine's warnings and our own on the same channel.
void warn(const char* what, const GError* error)
{
    g_warning("%s: %s", what, error ? error->message : "unknown error");
}

bool cancelled(const GError* error)
{
    return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

// The part of a block that holds its words and nothing else: where they end,
// and their bytes.
std::string_view wordsOf(const WordBlock& block)
{
    const WordBlock::Header h = block.header();
    return block.bytes()
        .substr(0, WordBlock::wordsEnd(h.count, h.bytes))
        .substr(sizeof(WordBlock::Header));
}

// A compiled rule for one list of words, known by the list itself.
std::string identifierFor(const WordBlock& block)
{
    const std::string_view wordBytes = wordsOf(block);
    gchar* sum = g_compute_checksum_for_data(
        G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(wordBytes.data()), wordBytes.size());
    std::string id = std::string("words-") + sum;
    g_free(sum);
    return id;
}

// Documents are answered within moments of their announcement; a page with
// many frames and redirects still fits.
constexpr std::size_t WatchedKept = 64;

struct Pending
{
    PageEngine* engine;
    unsigned generation;
    std::string identifier;
    GBytes* source; // null while the cache is being read
};

} // namespace

GVariant* wordMessageValue(const WordBlock& words, std::uint64_t serial)
{
    const auto kept = [](std::string_view word) { return word.find('\0') == std::string::npos; };
    std::size_t size = 0;
    for (std::size_t row = 0; row < words.count(); ++row)
        size += kept(words.at(row)) ? words.at(row).size() + 1 : 0;
    // Written once, straight into the memory the value keeps.
    auto* bytes = static_cast<char*>(g_malloc(std::max<std::size_t>(size, 1)));
    char* at = bytes;
    for (std::size_t row = 0; row < words.count(); ++row) {
        const std::string_view word = words.at(row);
        if (kept(word)) {
            at = std::copy(word.begin(), word.end(), at);
            *at++ = '\0';
        }
    }
    GVariant* children[] = {
        g_variant_new_uint64(serial),
        g_variant_new_from_data(G_VARIANT_TYPE_BYTESTRING, bytes, size, TRUE, g_free, bytes)};
    return g_variant_new_tuple(children, 2);
}

std::string socketRuleSource(const WordBlock& words)
{
    std::string json = "[";
    for (std::size_t row = 0; row < words.count(); ++row) {
        const std::string_view word = words.at(row);
        std::string pattern;
        for (const unsigned char c : word) {
            if (c <= 0x20 || c >= 0x7f || c == '"' || c == '<' || c == '>' || c == '`') {
                char escape[4];
                std::snprintf(escape, sizeof escape, "%%%02X", c);
                pattern += escape;
            } else if (std::string_view(".*+?^$()[]{}|\\").find(char(c)) !=
                       std::string_view::npos) {
                pattern += c == '\\' ? "\\\\\\\\" : std::string("\\\\") + char(c);
            } else {
                pattern += char(c);
            }
        }
        // The empty word blocks every address, as it does everywhere else.
        if (pattern.empty())
            pattern = ".*";
        if (json.size() > 1)
            json += ',';
        json += R"({"trigger":{"url-filter":")" + pattern +
                R"(","url-filter-is-case-sensitive":true,"resource-type":["websocket"]},)"
                R"("action":{"type":"block"}})";
    }
    return json + "]";
}

PageEngine::PageEngine(const Folders& folders)
    : m_extensions(folders.extensions), m_words(WordBlock::of({}))
{
    m_cancellable = g_cancellable_new();
    m_context = webkit_web_context_new();
    webkit_web_context_set_cache_model(m_context, WEBKIT_CACHE_MODEL_WEB_BROWSER);
    // Every web process, the first and any started later (another site, a
    // crash), learns the words current at its start.
    g_signal_connect(m_context, "initialize-web-process-extensions",
                     G_CALLBACK(+[](WebKitWebContext* context, PageEngine* self) {
                         if (!self->m_extensions.empty())
                             webkit_web_context_set_web_process_extensions_directory(
                                 context, self->m_extensions.c_str());
                         // The engine writes this value into the new process's
                         // start at once, but keeps it until the next: dropped at
                         // the next turn of the loop, the words are not held twice.
                         webkit_web_context_set_web_process_extensions_initialization_user_data(
                             context, wordMessageValue(*self->m_words, self->m_serial));
                         if (!self->m_forgetInit)
                             self->m_forgetInit = g_idle_add_full(
                                 G_PRIORITY_HIGH,
                                 +[](gpointer data) {
                                     auto* engine = static_cast<PageEngine*>(data);
                                     engine->m_forgetInit = 0;
                                     webkit_web_context_set_web_process_extensions_initialization_user_data(
                                         engine->m_context,
                                         wordMessageValue(*WordBlock::of({}), 0));
                                     return G_SOURCE_REMOVE;
                                 },
                                 self, nullptr);
                     }),
                     this);
    g_signal_connect(m_context, "user-message-received",
                     G_CALLBACK(+[](WebKitWebContext*, WebKitUserMessage* message,
                                    PageEngine* self) -> gboolean {
                         // A web process asking for the words it has none of.
                         if (g_strcmp0(webkit_user_message_get_name(message),
                                       WordMessage::Name) == 0) {
                             webkit_user_message_send_reply(message, self->wordsMessage());
                             return TRUE;
                         }
                         if (g_strcmp0(webkit_user_message_get_name(message),
                                       WatchMessage::Name) != 0)
                             return FALSE;
                         GVariant* value = webkit_user_message_get_parameters(message);
                         if (value && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
                             if (self->m_watched.size() == WatchedKept)
                                 self->m_watched.pop_front();
                             self->m_watched.emplace_back(g_variant_get_string(value, nullptr));
                         }
                         return TRUE;
                     }),
                     this);
    // The engine lays out its sandbox around the home folder and fails hard
    // where that is missing. Left out of the sandbox, the check does not load
    // and the view shows no page, saying why.
    std::error_code noHome;
    if (!m_extensions.empty() && std::filesystem::is_directory(g_get_home_dir(), noHome)) {
        webkit_web_context_add_path_to_sandbox(m_context, m_extensions.c_str(), TRUE);
        if (!folders.pages.empty())
            webkit_web_context_add_path_to_sandbox(m_context, folders.pages.c_str(), TRUE);
    }
    else if (!m_extensions.empty())
        g_warning("the home folder %s does not exist: where the request check cannot load, no page shows",
                  g_get_home_dir());

    m_session = webkit_network_session_new(folders.data.c_str(), folders.cache.c_str());
    webkit_cookie_manager_set_persistent_storage(
        webkit_network_session_get_cookie_manager(m_session),
        (folders.data / "cookies.sqlite").c_str(), WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    // Responses that would become downloads are refused before they start;
    // one that starts anyway (a script's own download) is stopped at once.
    g_signal_connect(m_session, "download-started",
                     G_CALLBACK(+[](WebKitNetworkSession*, WebKitDownload* download) {
                         webkit_download_cancel(download);
                     }),
                     nullptr);

    m_store = webkit_user_content_filter_store_new((folders.data / "socket-rules").c_str());
    GBytes* noSockets = g_bytes_new_static(NoSocketsSource, sizeof NoSocketsSource - 1);
    webkit_user_content_filter_store_save(
        m_store, NoSocketsId, noSockets, m_cancellable,
        [](GObject* store, GAsyncResult* result, gpointer data) {
            GError* error = nullptr;
            WebKitUserContentFilter* filter = webkit_user_content_filter_store_save_finish(
                WEBKIT_USER_CONTENT_FILTER_STORE(store), result, &error);
            if (cancelled(error)) {
                g_error_free(error);
                return;
            }
            auto* self = static_cast<PageEngine*>(data);
            if (!filter) {
                warn("the rule for sockets could not be compiled", error);
                g_clear_error(&error);
                return;
            }
            self->m_noSockets = filter;
            self->applySocketRule();
        },
        this);
    g_bytes_unref(noSockets);
}

PageEngine::~PageEngine()
{
    g_cancellable_cancel(m_cancellable);
    for (WebKitUserContentManager* content : m_contents)
        g_object_unref(content);
    if (m_noSockets)
        webkit_user_content_filter_unref(m_noSockets);
    if (m_wordsRule)
        webkit_user_content_filter_unref(m_wordsRule);
    g_object_unref(m_store);
    g_object_unref(m_session);
    g_object_unref(m_context);
    g_object_unref(m_cancellable);
    if (m_forgetInit)
        g_source_remove(m_forgetInit);
}

std::filesystem::path PageEngine::extensionsBesideProgram()
{
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program.parent_path() / "webext";
}

WebKitUserMessage* PageEngine::wordsMessage() const
{
    // A block without a descriptor (the system gave no memory file) goes
    // whole; one with goes as the descriptor alone.
    const bool inFile = m_words->fd() >= 0;
    const std::string_view bytes = inFile ? std::string_view() : m_words->bytes();
    GVariant* children[] = {g_variant_new_uint64(m_serial),
                            g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes.data(),
                                                      bytes.size(), 1)};
    GVariant* value = g_variant_new_tuple(children, 2);
    if (!inFile)
        return webkit_user_message_new(WordMessage::Name, value);
    GUnixFDList* fds = g_unix_fd_list_new();
    g_unix_fd_list_append(fds, m_words->fd(), nullptr);
    WebKitUserMessage* message = webkit_user_message_new_with_fd_list(WordMessage::Name, value, fds);
    g_object_unref(fds);
    return message;
}

void PageEngine::setBlockedWords(std::shared_ptr<const WebView::BlockedWords> words)
{
    if (!words)
        words = WordBlock::of({});
    if (words == m_words)
        return;
    // The list is handed over again after each rebuild of the browser's own
    // index: the processes get the new index, the rule for sockets stays.
    const bool same = wordsOf(*words) == wordsOf(*m_words);
    m_words = std::move(words);
    ++m_serial;
    webkit_web_context_send_message_to_all_extensions(m_context, wordsMessage());
    if (same)
        return;
    m_wordCount = m_words->count();
    ++m_generation;
    m_socketRuleReady = m_wordCount == 0;
    applySocketRule();
    if (m_socketRuleReady)
        m_socketRuleReadySignal.emit();
    else if (m_wordCount <= kMaxSocketRules)
        compileWords();
    else
        g_warning("%zu blocked words are more than the %zu the rule for sockets may hold: "
                  "every WebSocket stays closed",
                  m_wordCount, kMaxSocketRules);
}

bool PageEngine::watched(std::string_view uri) const
{
    return std::ranges::find(m_watched, uri) != m_watched.end();
}

bool PageEngine::blocks(std::string_view text) const
{
    if (text.empty())
        return false;
    for (std::size_t row = 0; row < m_words->count(); ++row) {
        if (text.find(m_words->at(row)) != std::string_view::npos)
            return true;
    }
    return false;
}

void PageEngine::compileWords()
{
    // The store keeps the rule compiled last: a list that did not change
    // since the last run is read back instead of compiled again.
    auto* pending = new Pending{this, m_generation, identifierFor(*m_words), nullptr};
    static const GAsyncReadyCallback arrived = [](GObject* store, GAsyncResult* result,
                                                  gpointer data) {
        auto* pending = static_cast<Pending*>(data);
        GError* error = nullptr;
        auto* filterStore = WEBKIT_USER_CONTENT_FILTER_STORE(store);
        WebKitUserContentFilter* filter =
            pending->source
                ? webkit_user_content_filter_store_save_finish(filterStore, result, &error)
                : webkit_user_content_filter_store_load_finish(filterStore, result, &error);
        if (cancelled(error)) {
            g_error_free(error);
            if (pending->source)
                g_bytes_unref(pending->source);
            delete pending;
            return;
        }
        PageEngine* self = pending->engine;
        if (!filter && !pending->source && pending->generation == self->m_generation) {
            g_clear_error(&error);
            const std::string source = socketRuleSource(*self->m_words);
            pending->source = g_bytes_new(source.data(), source.size());
            webkit_user_content_filter_store_save(filterStore, pending->identifier.c_str(),
                                                  pending->source, self->m_cancellable, arrived,
                                                  pending);
            return;
        }
        if (!filter && pending->source)
            warn("the blocked words could not be made a rule for sockets", error);
        g_clear_error(&error);
        if (filter)
            self->wordsRuleArrived(filter, pending->generation, pending->identifier);
        if (pending->source)
            g_bytes_unref(pending->source);
        delete pending;
    };
    webkit_user_content_filter_store_load(m_store, pending->identifier.c_str(), m_cancellable,
                                          arrived, pending);
}

void PageEngine::wordsRuleArrived(WebKitUserContentFilter* filter, unsigned generation,
                                  const std::string& identifier)
{
    if (generation != m_generation) {
        webkit_user_content_filter_unref(filter);
        return;
    }
    if (m_wordsRule)
        webkit_user_content_filter_unref(m_wordsRule);
    m_wordsRule = filter;
    // Each compiled list takes megabytes on disk: only the current one stays,
    // whichever run compiled the others.
    webkit_user_content_filter_store_fetch_identifiers(
        m_store, nullptr,
        [](GObject* object, GAsyncResult* result, gpointer data) {
            const std::unique_ptr<std::string> current(static_cast<std::string*>(data));
            auto* store = WEBKIT_USER_CONTENT_FILTER_STORE(object);
            gchar** ids = webkit_user_content_filter_store_fetch_identifiers_finish(store, result);
            for (gchar** id = ids; id && *id; ++id) {
                if (g_str_has_prefix(*id, "words-") && *current != *id)
                    webkit_user_content_filter_store_remove(
                        store, *id, nullptr,
                        [](GObject* s, GAsyncResult* r, gpointer) {
                            webkit_user_content_filter_store_remove_finish(
                                WEBKIT_USER_CONTENT_FILTER_STORE(s), r, nullptr);
                        },
                        nullptr);
            }
            g_strfreev(ids);
        },
        new std::string(identifier));
    m_socketRuleReady = true;
    applySocketRule();
    m_socketRuleReadySignal.emit();
}

void PageEngine::applySocketRule()
{
    WebKitUserContentFilter* rule = nullptr;
    if (m_wordCount > 0)
        rule = m_socketRuleReady ? m_wordsRule : m_noSockets;
    for (WebKitUserContentManager* content : m_contents) {
        webkit_user_content_manager_remove_all_filters(content);
        if (rule)
            webkit_user_content_manager_add_filter(content, rule);
    }
}

void PageEngine::attach(WebKitUserContentManager* content)
{
    m_contents.push_back(WEBKIT_USER_CONTENT_MANAGER(g_object_ref(content)));
    applySocketRule();
}

void PageEngine::detach(WebKitUserContentManager* content)
{
    const auto found = std::ranges::find(m_contents, content);
    if (found == m_contents.end())
        return;
    m_contents.erase(found);
    g_object_unref(content);
}
