#include "local_http_server.h"

#include <QTcpSocket>
#include <QTimer>

LocalHttpServer::LocalHttpServer(QObject* parent) : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_heads.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

bool LocalHttpServer::start()
{
    return listen(QHostAddress::LocalHost, 0);
}

QString LocalHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
}

void LocalHttpServer::page(const QString& path, const QByteArray& html)
{
    m_replies.insert(path, Reply{200, html, "text/html", {}});
}

void LocalHttpServer::redirect(const QString& path, const QString& target, int status)
{
    m_replies.insert(path, Reply{status, {}, "text/html", target.toUtf8()});
}

void LocalHttpServer::reply(const QString& path, const Reply& reply)
{
    m_replies.insert(path, reply);
}

void LocalHttpServer::serve(QTcpSocket* socket)
{
    // Wait for the whole request head; the tests send no bodies.
    QByteArray& buffer = m_heads[socket];
    buffer += socket->readAll();
    if (!buffer.contains("\r\n\r\n"))
        return;
    const QByteArray head = m_heads.take(socket);

    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    QString path = requestLine.size() > 1 ? QString::fromUtf8(requestLine[1]) : QStringLiteral("/");
    const int query = int(path.indexOf(u'?'));
    requests << path;
    if (query >= 0)
        path.truncate(query);

    const auto found = m_replies.constFind(path);
    const Reply r = found != m_replies.constEnd()
                        ? *found
                        : Reply{404, "<html><title>Not found</title></html>", "text/html", {}};
    QByteArray out = "HTTP/1.0 " + QByteArray::number(r.status) + " X\r\n";
    out += "Content-Type: " + r.contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\n";
    if (!r.location.isEmpty())
        out += "Location: " + r.location + "\r\n";
    out += "Connection: close\r\n\r\n";
    out += r.body;
    // The socket is the timer's context: a page given up on takes its answer along.
    QTimer::singleShot(r.delayMs, socket, [socket, out] {
        socket->write(out);
        socket->disconnectFromHost();
    });
}
