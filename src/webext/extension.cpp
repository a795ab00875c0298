// Runs inside the engine's sandboxed web process, which can read none of the
// program's files: the words come with the process's initialisation data,
// then as the browser's shared block (asked for at once), and every change as
// a message; each request is checked before it is sent.

#include "platform/word_message.h"
#include "webext/word_check.h"

#include <gio/gunixfdlist.h>
#include <webkit/webkit-web-process-extension.h>

#include <malloc.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace {

// The web process calls everything here on its main thread.
RequestWords g_words;
WebKitWebProcessExtension* g_extension = nullptr;

std::string_view bytesOf(GVariant* value)
{
    gsize size = 0;
    const void* data = g_variant_get_fixed_array(value, &size, 1);
    return {static_cast<const char*>(data), size};
}

// The words of the initialisation data: checked one by one, exactly, for the
// moments until the block with the index arrives.
void takeFirstWords(GVariant* value)
{
    if (!value || !g_variant_is_of_type(value, G_VARIANT_TYPE(WordMessage::InitType)))
        return; // every request refused until the block comes
    GVariant* serial = g_variant_get_child_value(value, 0);
    GVariant* bytes = g_variant_get_child_value(value, 1);
    const std::string_view block = bytesOf(bytes);
    auto words = std::make_shared<WordStore>();
    const auto count = std::size_t(std::ranges::count(block, '\0'));
    words->reserve(count, block.size() - count);
    // The store holds 4 GiB of words; the first of them still hold.
    WordMessage::forEachWord(block,
                             [&words](std::string_view word) { return words->append(word); });
    g_words.take(g_variant_get_uint64(serial), std::make_shared<const WordIndex>(std::move(words)));
    g_variant_unref(bytes);
    g_variant_unref(serial);
}

// A block of words from the browser: its descriptor, mapped where it lies,
// or the block itself.
void takeBlock(WebKitUserMessage* message)
{
    GVariant* value = webkit_user_message_get_parameters(message);
    if (!value || !g_variant_is_of_type(value, G_VARIANT_TYPE(WordMessage::Type)))
        return;
    GVariant* serial = g_variant_get_child_value(value, 0);
    GVariant* bytes = g_variant_get_child_value(value, 1);
    std::shared_ptr<const WordBlock> block;
    GUnixFDList* fds = webkit_user_message_get_fd_list(message);
    if (fds && g_unix_fd_list_get_length(fds) > 0)
        block = WordBlock::adopt(g_unix_fd_list_get(fds, 0, nullptr));
    else
        block = WordBlock::copy(bytesOf(bytes));
    // Words that cannot be read refuse every request until the next.
    g_words.take(g_variant_get_uint64(serial), WordIndex::inBlock(std::move(block)));
    g_variant_unref(bytes);
    g_variant_unref(serial);
    // The words they replace go back to the system.
    malloc_trim(0);
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
    takeBlock(message);
    return TRUE;
}

} // namespace

extern "C" G_MODULE_EXPORT void
webkit_web_process_extension_initialize_with_user_data(WebKitWebProcessExtension* extension,
                                                       const GVariant* userData)
{
    g_extension = extension;
    takeFirstWords(const_cast<GVariant*>(userData));
    // The initialisation data cannot carry the block: asked for here, it
    // comes back as its descriptor.
    webkit_web_process_extension_send_message_to_context(
        extension,
        webkit_user_message_new(WordMessage::Name, g_variant_new_uint64(g_words.serial())),
        nullptr,
        [](GObject* source, GAsyncResult* result, gpointer) {
            WebKitUserMessage* reply = webkit_web_process_extension_send_message_to_context_finish(
                WEBKIT_WEB_PROCESS_EXTENSION(source), result, nullptr);
            if (reply) {
                takeBlock(reply);
                g_object_unref(reply);
            }
        },
        nullptr);
    g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
    g_signal_connect(extension, "user-message-received", G_CALLBACK(onMessage), nullptr);
}
