#include "local_http_server.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

LocalHttpServer::LocalHttpServer()
    : m_service(g_threaded_socket_service_new(32)), m_stopping(g_cancellable_new())
{
    GSocketAddress* wanted = g_inet_socket_address_new_from_string("127.0.0.1", 0);
    GSocketAddress* bound = nullptr;
    if (g_socket_listener_add_address(G_SOCKET_LISTENER(m_service), wanted, G_SOCKET_TYPE_STREAM,
                                      G_SOCKET_PROTOCOL_TCP, nullptr, &bound, nullptr)) {
        m_port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
        g_object_unref(bound);
    }
    g_object_unref(wanted);
    g_signal_connect(m_service, "run", G_CALLBACK(serve), this);
    g_socket_service_start(m_service);
}

LocalHttpServer::~LocalHttpServer()
{
    {
        const std::lock_guard lock(m_mutex);
        g_cancellable_cancel(m_stopping);
    }
    m_wake.notify_all();
    g_socket_service_stop(m_service);
    g_socket_listener_close(G_SOCKET_LISTENER(m_service));
    g_object_unref(m_service); // waits for the answers under way
    g_object_unref(m_stopping);
}

std::string LocalHttpServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void LocalHttpServer::reply(const std::string& path, const Reply& reply)
{
    const std::lock_guard lock(m_mutex);
    m_replies[path] = reply;
}

bool LocalHttpServer::heard(const std::string& path) const
{
    const std::lock_guard lock(m_mutex);
    return std::ranges::find(m_requests, path) != m_requests.end();
}

std::size_t LocalHttpServer::requestCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_requests.size();
}

gboolean LocalHttpServer::serve(GThreadedSocketService*, GSocketConnection* connection, GObject*,
                                LocalHttpServer* self)
{
    GDataInputStream* in =
        g_data_input_stream_new(g_io_stream_get_input_stream(G_IO_STREAM(connection)));
    // The request line, then the head up to its empty line, then the body a form posted.
    std::string path;
    unsigned long bodyLength = 0;
    for (bool first = true;; first = false) {
        gchar* line = g_data_input_stream_read_line(in, nullptr, self->m_stopping, nullptr);
        const std::string text = line ? line : "";
        g_free(line);
        if (!line || text == "\r")
            break;
        if (first)
            path = text.substr(text.find(' ') + 1, text.rfind(' ') - text.find(' ') - 1);
        else if (text.starts_with("Content-Length: "))
            bodyLength = std::strtoul(text.c_str() + 16, nullptr, 10);
    }
    g_input_stream_skip(G_INPUT_STREAM(in), bodyLength, self->m_stopping, nullptr);
    g_object_unref(in);
    Reply r{404, "<html><title>Not found</title></html>"};
    {
        std::unique_lock lock(self->m_mutex);
        self->m_requests.push_back(path);
        if (const auto found = self->m_replies.find(path.substr(0, path.find('?')));
            found != self->m_replies.end())
            r = found->second;
        self->m_wake.wait_for(lock, std::chrono::milliseconds(r.delayMs),
                              [self] { return g_cancellable_is_cancelled(self->m_stopping); });
    }
    const std::string out =
        "HTTP/1.0 " + std::to_string(r.status) + " X\r\nContent-Type: " + r.contentType +
        "\r\nContent-Length: " + std::to_string(r.body.size()) + "\r\nCache-Control: no-store\r\n" +
        r.headers + "Connection: close\r\n\r\n" + r.body;
    g_output_stream_write_all(g_io_stream_get_output_stream(G_IO_STREAM(connection)), out.data(),
                              out.size(), nullptr, self->m_stopping, nullptr);
    g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
    return TRUE;
}
