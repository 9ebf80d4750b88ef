// A web server on 127.0.0.1 for the browser tests that face hostile pages, and the host names those
// tests load: they resolve to 127.0.0.1 inside the engine and nowhere else.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <functional>

// The engine resolves the test host names to the local servers; set before the engine starts, which
// the tests' main does after static initialisation. "xn--exmple-4nf.org" is "exаmple.org" with a
// Cyrillic "а".
inline const bool TestHostsMapped = [] {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --host-resolver-rules=\"MAP *.example.org 127.0.0.1, MAP example.net 127.0.0.1,"
             " MAP *.example.net 127.0.0.1, MAP *.xn--exmple-4nf.org 127.0.0.1\"";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    return true;
}();

// Records every connection and request ("GET /path", WebSocket handshakes included) and answers a
// path with what was set for its first part (before "?"); any other path gets the fallback's
// answer, by default a small empty page.
class TRecordingServer : public QObject
{
public:
    // Gives the whole response (status line, headers and body) for the request's full path.
    using TFallback = std::function<QByteArray(const QString& path)>;

    explicit TRecordingServer(TFallback fallback = {}) : FFallback(std::move(fallback))
    {
        FServer.listen(QHostAddress::LocalHost);
        connect(&FServer, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = FServer.nextPendingConnection()) {
                ++FConnections;
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Read(socket); });
                // A request cut off half-way leaves nothing behind for a later socket at the same
                // address.
                connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                    FBuffers.remove(socket);
                    socket->deleteLater();
                });
            }
        });
    }
    int Port() const { return FServer.serverPort(); }
    QString Url(const QString& host, const QString& path) const
    {
        return QStringLiteral("http://%1:%2%3").arg(host).arg(Port()).arg(path);
    }
    void Page(const QString& path, const QString& html)
    {
        const QByteArray body = html.toUtf8();
        Raw(path, "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
    }
    void Raw(const QString& path, const QByteArray& response) { FRoutes[path] = response; }
    const QStringList& Requests() const { return FRequests; }
    int Connections() const { return FConnections; }
    // How many requests named path (or had it in their path).
    int Count(const QString& path) const
    {
        return int(std::count_if(FRequests.begin(), FRequests.end(),
                                 [&](const QString& r) { return r.contains(path); }));
    }
    bool Asked(const QString& path) const { return Count(path) > 0; }

private:
    void Read(QTcpSocket* socket)
    {
        QByteArray& buffer = FBuffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> words = buffer.left(buffer.indexOf("\r\n")).split(' ');
        FBuffers.remove(socket);
        const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
        FRequests << QString::fromLatin1(words.value(0)) + QLatin1Char(' ') + path;
        const auto route = FRoutes.constFind(path.section(QLatin1Char('?'), 0, 0));
        if (route != FRoutes.constEnd())
            socket->write(*route);
        else if (FFallback)
            socket->write(FFallback(path));
        else
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 0\r\n\r\n");
        socket->disconnectFromHost();
    }

    TFallback FFallback;
    QTcpServer FServer;
    QHash<QTcpSocket*, QByteArray> FBuffers;
    QHash<QString, QByteArray> FRoutes;
    QStringList FRequests;
    int FConnections = 0;
};
