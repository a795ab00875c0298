#pragma once

#include <gio/gio.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// A small HTTP/1.0 server on 127.0.0.1 for tests and benchmarks of the real
// page view: each path answers with the page, status and headers it was
// given, and every request is recorded, socket handshakes included. Requests
// are served on threads of its own, so the test's main loop stays free.
class LocalHttpServer
{
public:
    struct Reply
    {
        int status = 200;
        std::string body;
        std::string contentType = "text/html";
        std::string headers; // more header lines, each ending "\r\n"
        int delayMs = 0;     // answer this late, to catch a load in flight
    };

    LocalHttpServer();  // listens on a free port of 127.0.0.1
    ~LocalHttpServer(); // ends every answer still waiting

    std::string url(const std::string& path) const; // "http://127.0.0.1:PORT/path"

    void page(const std::string& path, const std::string& html) { reply(path, {200, html}); }
    void redirect(const std::string& path, const std::string& to)
    {
        reply(path, {302, {}, "text/html", "Location: " + to + "\r\n"});
    }
    void reply(const std::string& path, const Reply& reply);

    // Whether the path (with its query, if any) was asked for, by a page or a socket.
    bool heard(const std::string& path) const;
    std::size_t requestCount() const;

private:
    static gboolean serve(GThreadedSocketService*, GSocketConnection* connection, GObject*,
                          LocalHttpServer* self);

    GSocketService* m_service;
    GCancellable* m_stopping;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<std::string, Reply> m_replies;
    std::vector<std::string> m_requests;
};
