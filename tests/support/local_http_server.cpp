#include "local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

LocalHttpServer::LocalHttpServer()
{
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listener, 64) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_accepting = std::jthread([this](std::stop_token stop) { listen(stop); });
}

LocalHttpServer::~LocalHttpServer()
{
    m_accepting.request_stop();
    m_accepting = {};
    for (auto& connection : m_connections)
        connection.request_stop();
    m_wake.notify_all();
    m_connections.clear();
    if (m_listener >= 0)
        close(m_listener);
}

std::string LocalHttpServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void LocalHttpServer::page(const std::string& path, const std::string& html)
{
    reply(path, Reply{200, html});
}

void LocalHttpServer::reply(const std::string& path, const Reply& reply)
{
    const std::lock_guard lock(m_mutex);
    m_replies[path] = reply;
}

void LocalHttpServer::redirect(const std::string& path, const std::string& to)
{
    reply(path, Reply{302, {}, "text/html", "Location: " + to + "\r\n"});
}

std::vector<std::string> LocalHttpServer::requests() const
{
    const std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<std::string> LocalHttpServer::heads() const
{
    const std::lock_guard lock(m_mutex);
    return m_heads;
}

bool LocalHttpServer::heard(const std::string& path) const
{
    const std::lock_guard lock(m_mutex);
    return std::ranges::find(m_requests, path) != m_requests.end();
}

void LocalHttpServer::clear()
{
    const std::lock_guard lock(m_mutex);
    m_requests.clear();
    m_heads.clear();
}

void LocalHttpServer::listen(std::stop_token stop)
{
    while (!stop.stop_requested()) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (poll(&waiting, 1, 50) <= 0)
            continue;
        const int socket = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        const std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, socket](std::stop_token s) { serve(s, socket); });
    }
}

void LocalHttpServer::serve(std::stop_token stop, int socket)
{
    // The head, and the body its length announces (a form's post).
    std::string received;
    std::size_t headEnd = std::string::npos, needed = 0;
    char buffer[4096];
    while (!stop.stop_requested() && (headEnd == std::string::npos || received.size() < needed)) {
        pollfd waiting{socket, POLLIN, 0};
        if (poll(&waiting, 1, 50) <= 0)
            continue;
        const ssize_t got = read(socket, buffer, sizeof buffer);
        if (got <= 0)
            break;
        received.append(buffer, std::size_t(got));
        if (headEnd == std::string::npos &&
            (headEnd = received.find("\r\n\r\n")) != std::string::npos) {
            const std::size_t length = received.find("Content-Length: ");
            needed =
                headEnd + 4 +
                (length < headEnd ? std::strtoul(received.c_str() + length + 16, nullptr, 10) : 0);
        }
    }
    if (headEnd == std::string::npos) {
        close(socket);
        return;
    }
    const std::string head = received.substr(0, headEnd);
    const std::size_t pathStart = head.find(' ') + 1;
    const std::string path = head.substr(pathStart, head.find(' ', pathStart) - pathStart);
    Reply r{404, "<html><title>Not found</title></html>"};
    {
        const std::lock_guard lock(m_mutex);
        m_requests.push_back(path);
        m_heads.push_back(head);
        const auto found = m_replies.find(path.substr(0, path.find('?')));
        if (found != m_replies.end())
            r = found->second;
    }
    if (r.delayMs > 0) {
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, stop, std::chrono::milliseconds(r.delayMs), [] { return false; });
    }
    const std::string out =
        "HTTP/1.0 " + std::to_string(r.status) + " X\r\nContent-Type: " + r.contentType +
        "\r\nContent-Length: " + std::to_string(r.body.size()) + "\r\nCache-Control: no-store\r\n" +
        r.headers + "Connection: close\r\n\r\n" + r.body;
    if (!stop.stop_requested()) {
        for (std::size_t sent = 0; sent < out.size();) {
            const ssize_t n = send(socket, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += std::size_t(n);
        }
    }
    close(socket);
}
