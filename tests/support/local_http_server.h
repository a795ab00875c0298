#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A small HTTP/1.0 server on 127.0.0.1 for tests and benchmarks of the real
// page view: each path answers with the page, status and headers it was
// given, and every request is recorded, socket handshakes included. It runs
// on threads of its own, so the test's main loop stays free for the engine.
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

    LocalHttpServer();  // listens on a free port; port() is 0 if none could be had
    ~LocalHttpServer(); // stops listening and ends every answer still waiting

    int port() const { return m_port; }
    std::string url(const std::string& path) const; // "http://127.0.0.1:PORT/path"

    void page(const std::string& path, const std::string& html);
    void reply(const std::string& path, const Reply& reply);
    void redirect(const std::string& path, const std::string& to);

    // The paths asked for, in order, the query kept; heads() the whole heads.
    std::vector<std::string> requests() const;
    std::vector<std::string> heads() const;
    bool heard(const std::string& path) const;
    void clear();

private:
    void listen(std::stop_token stop);
    void serve(std::stop_token stop, int socket);

    int m_listener = -1;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::map<std::string, Reply> m_replies;
    std::vector<std::string> m_requests;
    std::vector<std::string> m_heads;
    std::vector<std::jthread> m_connections;
    std::jthread m_accepting; // last: stopped and joined first
};
