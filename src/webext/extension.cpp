// Runs inside the engine's sandboxed web process, which can read none of the
// program's files: the words come with the process's initialisation data and
// every change as a message, and each request is checked before it is sent.

#include "platform/word_message.h"
#include "webext/word_check.h"

#include <webkit/webkit-web-process-extension.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace {

// The web process calls everything here on its main thread.
RequestWords g_words;
WebKitWebProcessExtension* g_extension = nullptr;

void takeWords(GVariant* value)
{
    if (!value || !g_variant_is_of_type(value, G_VARIANT_TYPE(WordMessage::Type)))
        return;
    const std::string_view block(static_cast<const char*>(g_variant_get_data(value)),
                                 g_variant_get_size(value));
    // Back to back in one buffer: a million words cost about their own bytes.
    auto words = std::make_shared<WordStore>();
    const auto count = std::size_t(std::ranges::count(block, '\0'));
    words->reserve(count, block.size() - count);
    // The store holds 4 GiB of words; the first of them still hold.
    WordMessage::forEachWord(block,
                             [&words](std::string_view word) { return words->append(word); });
    g_words.take(std::move(words));
}

gboolean onSendRequest(WebKitWebPage* page, WebKitURIRequest* request,
                       WebKitURIResponse* redirected, gpointer)
{
    const char* uri = webkit_uri_request_get_uri(request);
    if (!uri)
        return FALSE;
    // TRUE stops the request here: not a byte of it leaves the machine.
    if (g_words.blocks(uri))
        return TRUE;
    // The browser shows no document that a process without this check fetched.
    if (redirected || g_strcmp0(uri, webkit_web_page_get_uri(page)) == 0)
        webkit_web_process_extension_send_message_to_context(
            g_extension, webkit_user_message_new(WatchMessage::Name, g_variant_new_string(uri)),
            nullptr, nullptr, nullptr);
    return FALSE;
}

void onPageCreated(WebKitWebProcessExtension*, WebKitWebPage* page, gpointer)
{
    g_signal_connect(page, "send-request", G_CALLBACK(onSendRequest), nullptr);
}

gboolean onMessage(WebKitWebProcessExtension*, WebKitUserMessage* message, gpointer)
{
    if (g_strcmp0(webkit_user_message_get_name(message), WordMessage::Name) != 0)
        return FALSE;
    takeWords(webkit_user_message_get_parameters(message));
    return TRUE;
}

} // namespace

extern "C" G_MODULE_EXPORT void
webkit_web_process_extension_initialize_with_user_data(WebKitWebProcessExtension* extension,
                                                       const GVariant* userData)
{
    g_extension = extension;
    takeWords(const_cast<GVariant*>(userData));
    g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
    g_signal_connect(extension, "user-message-received", G_CALLBACK(onMessage), nullptr);
}
