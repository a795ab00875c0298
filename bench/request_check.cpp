// What checking every request costs a page: a page with 200 sub-resources
// served from this machine, loaded alternately with no blocked words and
// with 32,767 of them (none of which blocks anything on the page), so that a
// busy machine slows both alike. Also the time spent inside the check itself
// per page, which the load times hide in their noise.
//
//   request_check [ROUNDS]      (default 21)

#include "filter/word_index.h"
#include "local_http_server.h"
#include "platform/webengine_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWords = 32767;
constexpr int kResources = 200;

// 200 sub-resources of three kinds; the server answers every address of a
// kind with the same small reply.
QByteArray pageWithResources()
{
    QByteArray body = "<html><head><title>Many</title>";
    for (int i = 0; i < kResources; ++i) {
        const QByteArray n = QByteArray::number(i);
        if (i % 8 == 0)
            body += "<link rel=stylesheet href='/assets/styles/sheet.css?v=" + n + "'>";
        else if (i % 8 == 1)
            body += "<script src='/assets/scripts/part.js?v=" + n + "'></script>";
    }
    body += "</head><body>";
    for (int i = 0; i < kResources; ++i) {
        if (i % 8 > 1)
            body += "<img src='/assets/pictures/picture.png?v=" + QByteArray::number(i) + "'>";
    }
    return body + "</body></html>";
}

// Words of 4 to 14 letters; none may occur in the page's addresses, so that
// every request is read to its end.
QStringList wordsThatBlockNothing(const QStringList& addresses)
{
    QRandomGenerator random(20261207);
    const auto word = [&random] {
        QString w;
        const int length = 4 + int(random.bounded(11));
        while (w.size() < length)
            w += QChar(u'a' + random.bounded(26));
        return w;
    };
    QStringList words;
    while (words.size() < kWords) {
        const QString w = word();
        if (std::none_of(addresses.begin(), addresses.end(),
                         [&](const QString& a) { return a.contains(w); }))
            words << w;
    }
    return words;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);

    LocalHttpServer server;
    if (!server.start())
        qFatal("no local port for the test server");
    server.page("/many", pageWithResources());
    const QByteArray gif =
        QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACwAAAAAAQABAAACAkQBADs=");
    server.reply("/assets/pictures/picture.png", {200, gif, "image/gif"});
    server.reply("/assets/scripts/part.js", {200, "var x = 1;", "text/javascript"});
    server.reply("/assets/styles/sheet.css", {200, "p { margin: 0 }", "text/css"});

    QStringList addresses{server.url("/many")};
    for (int i = 0; i < kResources; ++i) {
        const QString n = QString::number(i);
        addresses << server.url("/assets/styles/sheet.css?v=" + n)
                  << server.url("/assets/scripts/part.js?v=" + n)
                  << server.url("/assets/pictures/picture.png?v=" + n);
    }
    auto store = std::make_shared<WordStore>();
    for (const QString& word : wordsThatBlockNothing(addresses))
        store->append(toUtf8(word));
    const auto matcher = WordIndex::build(store);

    // The check as the browser window hands it over, timed from inside.
    std::atomic<long long> checkNanoseconds{0};
    std::atomic<int> checks{0};
    const auto words = std::make_shared<const WebView::RequestCheck>(
        [matcher, &checkNanoseconds, &checks](QStringView address) {
            const auto start = std::chrono::steady_clock::now();
            const bool hit = matcher->matches(address);
            checkNanoseconds +=
                std::chrono::nanoseconds(std::chrono::steady_clock::now() - start).count();
            ++checks;
            return hit;
        });

    QWebEngineProfile profile; // keeps nothing on disk
    WebEngineView view(&profile, nullptr);
    view.resize(611, 345);
    view.show();
    const auto load = [&](bool withWords) {
        view.setRequestCheck(withWords ? words : nullptr);
        server.requests.clear();
        QEventLoop loop;
        QObject::connect(view.engineView()->page(), &QWebEnginePage::loadFinished, &loop,
                         &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        view.Navigate(server.url("/many"));
        loop.exec();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        // Every sub-resource must have been fetched: none may be blocked.
        const int fetched = int(server.requests.filter(QStringLiteral("/assets/")).size());
        if (fetched != kResources)
            qFatal("%d sub-resources reached the server, not %d", fetched, kResources);
        return ms;
    };

    load(false); // the first load starts the engine's helper processes
    load(true);
    std::vector<double> none, all;
    checkNanoseconds = 0;
    checks = 0;
    for (int round = 0; round < rounds; ++round) {
        // Alternating which goes first keeps a warm-up effect out of the ratio.
        if (round % 2 == 0) {
            none.push_back(load(false));
            all.push_back(load(true));
        } else {
            all.push_back(load(true));
            none.push_back(load(false));
        }
    }
    const double perPageMs = double(checkNanoseconds) / 1e6 / rounds;
    std::printf("page with %d sub-resources, median of %d rounds: no words %.1f ms, "
                "%d words %.1f ms\n",
                kResources, rounds, median(none), kWords, median(all));
    std::printf("load time ratio %.3f\n", median(all) / median(none));
    std::printf("time in the check per page %.3f ms (%d checks a page, %.2f us each)\n", perPageMs,
                checks / rounds, double(checkNanoseconds) / 1e3 / checks);
    return 0;
}
