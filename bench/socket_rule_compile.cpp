// What the socket rule costs for the longest list (32,767 words): its
// compilation after a change, and reading the compiled copy back on a later
// start, each timed on a folder of its own.
//
//   socket_rule_compile [WORDS]      (default 32767)

#include "platform/page_engine.h"

#include <webkit/webkit.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace {

// Words of 4 to 14 letters, as a parent's long list of site names might be.
std::vector<std::string> someWords(int count)
{
    std::mt19937 random(20261207);
    std::vector<std::string> words;
    while (int(words.size()) < count) {
        std::string word(4 + random() % 11, 'a');
        for (char& c : word)
            c = char('a' + random() % 26);
        words.push_back(word);
    }
    return words;
}

// Runs one asynchronous step of the store to its end; the time it took, in ms.
double timed(WebKitUserContentFilterStore* store, bool compile, GBytes* source)
{
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    WebKitUserContentFilter* filter = nullptr;
    struct Wait
    {
        GMainLoop* loop;
        WebKitUserContentFilter** filter;
        bool compile;
        GError* error;
    } wait{loop, &filter, compile, nullptr};
    const auto start = std::chrono::steady_clock::now();
    const GAsyncReadyCallback done = [](GObject* object, GAsyncResult* result, gpointer data) {
        auto* w = static_cast<Wait*>(data);
        auto* s = WEBKIT_USER_CONTENT_FILTER_STORE(object);
        *w->filter = w->compile
                         ? webkit_user_content_filter_store_save_finish(s, result, &w->error)
                         : webkit_user_content_filter_store_load_finish(s, result, &w->error);
        g_main_loop_quit(w->loop);
    };
    if (compile)
        webkit_user_content_filter_store_save(store, "words", source, nullptr, done, &wait);
    else
        webkit_user_content_filter_store_load(store, "words", nullptr, done, &wait);
    g_main_loop_run(loop);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    g_main_loop_unref(loop);
    if (!filter) {
        std::fprintf(stderr, "the rule could not be %s: %s\n", compile ? "compiled" : "read back",
                     wait.error ? wait.error->message : "no reason given");
        std::exit(1);
    }
    webkit_user_content_filter_unref(filter);
    return took.count();
}

} // namespace

int main(int argc, char* argv[])
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 32767;
    const std::string source = socketRuleSource(*WordBlock::of(someWords(count)));
    GBytes* bytes = g_bytes_new(source.data(), source.size());
    gchar* folder = g_dir_make_tmp("socket-rule-XXXXXX", nullptr);
    WebKitUserContentFilterStore* store = webkit_user_content_filter_store_new(folder);
    const double compile = timed(store, true, bytes);
    const double load = timed(store, false, nullptr);
    std::uintmax_t kept = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder))
        kept += file.file_size();
    std::printf("%d words (%zu bytes of rules): compiled in %.0f ms, read back in %.1f ms, "
                "%.1f MB kept\n",
                count, source.size(), compile, load, double(kept) / 1e6);
    g_object_unref(store);
    g_bytes_unref(bytes);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    g_free(folder);
    return 0;
}
