// What checking every request costs a page: a page with 200 sub-resources
// served from this machine, loaded alternately with no blocked words and
// with 32,767 of them (none of which blocks anything on the page), so that a
// busy machine slows both alike. The words are checked inside the engine's
// web process; the time the check itself takes per page is measured here on
// the same index, and what the page processes hold with the words in place.
//
//   request_check [ROUNDS [WORDS]]      (default 21 rounds, 32767 words)

#include "local_http_server.h"
#include "platform/webkit_view.h"
#include "process_tree.h"
#include "webext/word_check.h"

#include <glib.h>
#include <gtk/gtk.h>
#include <gtkmm/init.h>
#include <gtkmm/window.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int kResources = 200;

// 200 sub-resources of three kinds; the server answers every address of a
// kind with the same small reply.
std::string pageWithResources()
{
    std::string head = "<html><head><title>Many</title>", body = "</head><body>";
    for (int i = 0; i < kResources; ++i) {
        const std::string n = std::to_string(i);
        if (i % 8 == 0)
            head += "<link rel=stylesheet href='/assets/styles/sheet.css?v=" + n + "'>";
        else if (i % 8 == 1)
            head += "<script src='/assets/scripts/part.js?v=" + n + "'></script>";
        else
            body += "<img src='/assets/pictures/picture.png?v=" + n + "'>";
    }
    return head + body + "</body></html>";
}

// Words of 4 to 14 letters; none may occur in the page's addresses, so that
// every request is read to its end.
std::vector<std::string> wordsThatBlockNothing(const std::vector<std::string>& addresses, int count)
{
    std::mt19937 random(20261207);
    std::vector<std::string> words;
    while (int(words.size()) < count) {
        std::string w(4 + random() % 11, 'a');
        for (char& c : w)
            c = char('a' + random() % 26);
        if (std::ranges::none_of(
                addresses, [&](const std::string& a) { return a.find(w) != std::string::npos; }))
            words.push_back(std::move(w));
    }
    return words;
}

double median(std::vector<double> v)
{
    std::ranges::sort(v);
    return v[v.size() / 2];
}

// Runs the default main loop until the condition holds or the seconds pass.
bool until(const std::function<bool()>& condition, int seconds = 60)
{
    const gint64 end = g_get_monotonic_time() + seconds * G_USEC_PER_SEC;
    while (!condition() && g_get_monotonic_time() < end)
        g_main_context_iteration(nullptr, TRUE);
    return condition();
}

std::filesystem::path buildFolder(const char* program)
{
    std::error_code error;
    const auto exe = std::filesystem::canonical(program, error);
    return exe.parent_path().parent_path();
}

} // namespace

int main(int argc, char* argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const int wordCount = argc > 2 ? std::max(1, std::atoi(argv[2])) : 32767;
    gtk_init();
    Gtk::init_gtkmm_internals();

    LocalHttpServer server;
    server.page("/many", pageWithResources());
    gsize gifSize = 0;
    guchar* gifBytes =
        g_base64_decode("R0lGODlhAQABAIAAAP///wAAACwAAAAAAQABAAACAkQBADs=", &gifSize);
    const std::string gif(reinterpret_cast<const char*>(gifBytes), gifSize);
    g_free(gifBytes);
    server.reply("/assets/pictures/picture.png", {200, gif, "image/gif"});
    server.reply("/assets/scripts/part.js", {200, "var x = 1;", "text/javascript"});
    server.reply("/assets/styles/sheet.css", {200, "p { margin: 0 }", "text/css"});

    std::vector<std::string> addresses{server.url("/many")};
    for (int i = 0; i < kResources; ++i) {
        const char* path = i % 8 == 0   ? "/assets/styles/sheet.css?v="
                           : i % 8 == 1 ? "/assets/scripts/part.js?v="
                                        : "/assets/pictures/picture.png?v=";
        addresses.push_back(server.url(path + std::to_string(i)));
    }
    // The words with their index, as the browser's list hands them to the
    // engine once built; the web process checks them where they lie.
    auto store = std::make_shared<WordStore>();
    for (const std::string& word : wordsThatBlockNothing(addresses, wordCount))
        store->append(word);
    const auto index = WordIndex::build(store)->shared();
    const auto words = index->block();

    // The check as the web process makes it, timed here on the same words.
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& address : addresses)
        if (blocksRequest(*index, address))
            std::fprintf(stderr, "blocked: %s\n", address.c_str());
    const double checkMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    const std::filesystem::path scratch = g_dir_make_tmp("request-check-XXXXXX", nullptr);
    int status = 0;
    {
        // One engine keeps the words and one has none, each with a window of
        // its own: a change of the words costs its first load more (a new
        // index, the socket rule swapped), which a page after an Add pays
        // once, not each time.
        struct Browser
        {
            explicit Browser(const PageEngine::Folders& folders) : engine(folders) {}
            PageEngine engine;
            WebKitView view{engine};
            Gtk::Window window;
            bool finished = false;
        };
        const auto extensions = buildFolder(argv[0]) / "webext";
        Browser plain({scratch / "plain", scratch / "plain-cache", extensions});
        Browser worded({scratch / "words", scratch / "words-cache", extensions});
        worded.view.setBlockedWords(words);
        for (Browser* b : {&plain, &worded}) {
            b->window.set_default_size(611, 345);
            b->window.set_child(b->view);
            b->window.present();
            b->view.signal_DownloadComplete().connect([b] { b->finished = true; });
        }
        const auto load = [&](Browser& b) {
            b.finished = false;
            const auto begun = std::chrono::steady_clock::now();
            b.view.Navigate(server.url("/many"));
            if (!until([&] { return b.finished; })) {
                std::fprintf(stderr, "the page did not load\n");
                std::exit(1);
            }
            return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                             begun)
                .count();
        };
        // The first loads start each engine's processes; then the words'
        // index is built in the web process and the socket rule compiled.
        load(plain);
        load(worded);
        until([&] { return worded.engine.socketRuleReady(); }, 120);
        until([] { return false; }, 5);
        load(worded);
        std::vector<double> none, all;
        for (int round = 0; round < rounds; ++round) {
            // Alternating which goes first keeps a warm-up effect out of the ratio.
            if (round % 2 == 0) {
                none.push_back(load(plain));
                all.push_back(load(worded));
            } else {
                all.push_back(load(worded));
                none.push_back(load(plain));
            }
        }
        // Every sub-resource must have reached the server: none may be blocked.
        for (const std::string& address : addresses)
            if (!server.heard(address.substr(address.find('/', 7)))) {
                std::fprintf(stderr, "never fetched: %s\n", address.c_str());
                status = 1;
            }
        std::printf("page with %d sub-resources, median of %d rounds: no words %.1f ms, "
                    "%d words %.1f ms\n",
                    kResources, rounds, median(none), wordCount, median(all));
        std::printf("load time ratio %.3f\n", median(all) / median(none));
        std::printf("time in the check per page %.3f ms (%zu requests)\n", checkMs,
                    addresses.size());
        std::printf("index: words %.1f MiB, automaton %.1f MiB\n",
                    double(store->memoryBytes()) / 1048576, double(index->memoryBytes()) / 1048576);
        // What each process holds, in order of start: the engine without
        // words started its page process first, the one with words second.
        auto tree = ProcessTree::of();
        std::ranges::sort(tree, {}, &ProcessTree::Process::pid);
        for (const ProcessTree::Process& p : tree)
            std::printf("  %-20s pid %-7d PSS %7.1f MiB  RSS %7.1f MiB\n", p.name.c_str(), p.pid,
                        p.pssKiB / 1024.0, p.rssKiB / 1024.0);
    }
    std::filesystem::remove_all(scratch);
    return status;
}
