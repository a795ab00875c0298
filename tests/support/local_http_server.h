#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// A small HTTP/1.0 server on 127.0.0.1 for tests of the real page view:
// each path answers with the page, status and headers a test gives it, and
// every request's path is recorded.
class LocalHttpServer : public QTcpServer
{
    Q_OBJECT
public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/html";
        QByteArray location; // for redirects
        int delayMs = 0;     // answer this late, to catch a load in flight
    };

    explicit LocalHttpServer(QObject* parent = nullptr);

    // Listens on a free port of 127.0.0.1; false if none could be had.
    bool start();
    QString url(const QString& path) const; // "http://127.0.0.1:PORT/path"

    void page(const QString& path, const QByteArray& html);
    void reply(const QString& path, const Reply& reply);

    QStringList requests; // paths asked for, in order

private:
    void serve(QTcpSocket* socket, const QByteArray& head);
    QHash<QString, Reply> m_replies;
};
