#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A tiny HTTP server on 127.0.0.1 for the update checker tests: answers each path with a
// canned response, or never answers paths marked as hanging.
class FeedServer {
public:
    FeedServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    static QByteArray ok(const QByteArray &body)
    {
        return "HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }

    static QByteArray status(int code, const QByteArray &extraHeaders = {})
    {
        return "HTTP/1.1 " + QByteArray::number(code) + " Status\r\nContent-Length: 0\r\n" +
               extraHeaders + "Connection: close\r\n\r\n";
    }

    void respond(const QString &path, const QByteArray &raw) { m_responses.insert(path, raw); }
    void hang(const QString &path) { m_responses.insert(path, QByteArray()); }

    QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    int requestCount() const { return m_requests; }

private:
    void serve(QTcpSocket *socket)
    {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            m_pending[socket] += socket->readAll();
            const QByteArray &request = m_pending[socket];
            if (!request.contains("\r\n\r\n"))
                return;
            ++m_requests;
            const QString path = QString::fromLatin1(request.split(' ').value(1));
            m_pending.remove(socket);
            const QByteArray raw = m_responses.value(path, status(404));
            if (raw.isEmpty())
                return; // hanging
            socket->write(raw);
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QHash<QString, QByteArray> m_responses;
    QHash<QTcpSocket *, QByteArray> m_pending;
    int m_requests = 0;
};
