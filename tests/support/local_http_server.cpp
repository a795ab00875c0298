#include "local_http_server.h"

#include <QTcpSocket>
#include <QTimer>

LocalHttpServer::LocalHttpServer(QObject* parent) : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            // Answers once the whole request head is in; the tests send no bodies.
            connect(socket, &QTcpSocket::readyRead, socket,
                    [this, socket, head = QByteArray()]() mutable {
                        head += socket->readAll();
                        if (head.contains("\r\n\r\n"))
                            serve(socket, std::exchange(head, {}));
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
    m_replies.insert(path, Reply{200, html});
}

void LocalHttpServer::reply(const QString& path, const Reply& reply)
{
    m_replies.insert(path, reply);
}

void LocalHttpServer::serve(QTcpSocket* socket, const QByteArray& head)
{
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QString path = QString::fromUtf8(requestLine.value(1, "/"));
    requests << path;
    const Reply r = m_replies.value(path.section(u'?', 0, 0),
                                    Reply{404, "<html><title>Not found</title></html>"});
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
