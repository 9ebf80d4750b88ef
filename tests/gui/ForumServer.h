// A small web server on 127.0.0.1 for the browser tests: it serves the fixture pages and the
// editor libraries they load, and records every form or request body the pages send, so a test
// can check what a page's own submit really sent.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

#include <memory>

// What one POST carried.
struct TReceived
{
    QString Path;
    QString ContentType;
    QByteArray Body;
    // Form fields (URL-encoded or multipart) or the members of a JSON object, decoded.
    QMap<QString, QString> Fields;
};

class TForumServer
{
public:
    // roots: URL prefix ("/lib/jquery/") → directory served under it; "/" serves the rest.
    explicit TForumServer(QMap<QString, QString> roots) : FRoots(std::move(roots))
    {
        QObject::connect(&FServer, &QTcpServer::newConnection, &FServer, [this] {
            while (QTcpSocket* socket = FServer.nextPendingConnection())
                Accept(socket);
        });
        FServer.listen(QHostAddress::LocalHost, 0);
    }

    bool Listening() const { return FServer.isListening(); }
    QString Url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(FServer.serverPort()).arg(path);
    }
    const QList<TReceived>& Received() const { return FReceived; }
    void Clear() { FReceived.clear(); }

    // How a POST to a path is answered instead of with the usual page: a forum's redirect to the
    // new thread, or its own error with the form again ("{message}" in the content is replaced by
    // the field "message" that was sent).
    struct TAnswer
    {
        QByteArray Status = "200 OK";
        QByteArray Headers; // extra header lines, each ending in CR LF
        QByteArray Type = "text/html; charset=utf-8";
        QByteArray Content;
        // Never sent: a forum still working on the post when the browser gives up waiting.
        bool Held = false;
    };
    void SetAnswer(const QString& path, const TAnswer& answer) { FAnswers.insert(path, answer); }

private:
    // A request is read whole (headers, then as many bytes as Content-Length says) before it is
    // answered; every answer closes its connection.
    void Accept(QTcpSocket* socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QByteArray head = buffer->left(end);
            static const QRegularExpression lengthPattern(QStringLiteral("\\r\\ncontent-length:\\s*(\\d+)"),
                                                          QRegularExpression::CaseInsensitiveOption);
            const auto length = lengthPattern.match(QString::fromLatin1(head));
            const qsizetype bodyLength = length.hasMatch() ? length.captured(1).toLongLong() : 0;
            if (buffer->size() < end + 4 + bodyLength)
                return;
            Answer(socket, head, buffer->mid(end + 4, bodyLength));
            buffer->clear();
        });
    }

    static QString Header(const QByteArray& head, const QString& name)
    {
        for (const QByteArray& line : head.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 &&
                QString::fromLatin1(line.left(colon)).trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return QString::fromLatin1(line.mid(colon + 1)).trimmed();
        }
        return QString();
    }

    void Answer(QTcpSocket* socket, const QByteArray& head, const QByteArray& body)
    {
        const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
        const QByteArray method = requestLine.value(0);
        const QString path = QUrl(QString::fromLatin1(requestLine.value(1))).path();
        if (method == "POST") {
            TReceived received{path, Header(head, QStringLiteral("Content-Type")), body, {}};
            received.Fields = Decode(received.ContentType, body);
            FReceived.append(received);
            if (FAnswers.contains(path)) {
                const TAnswer& answer = FAnswers[path];
                if (answer.Held)
                    return;
                // "{message}" stands for the field "message" sent, as a form that comes back holds it.
                QByteArray content = answer.Content;
                content.replace("{message}",
                                received.Fields.value(QStringLiteral("message")).toHtmlEscaped().toUtf8());
                Send(socket, answer.Status, answer.Type, content, answer.Headers);
                return;
            }
            if (received.ContentType.startsWith(QLatin1String("application/json")))
                Send(socket, "200 OK", "application/json", R"({"success":true})");
            else
                Send(socket, "200 OK", "text/html; charset=utf-8",
                     "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>posted</title></head>"
                     "<body>Your message has been posted.</body></html>");
            return;
        }
        QFile file(Local(path));
        if (path.contains(QLatin1String("..")) || !file.open(QIODevice::ReadOnly)) {
            Send(socket, "404 Not Found", "text/plain", "not found");
            return;
        }
        static const QMimeDatabase types;
        QByteArray type =
            types.mimeTypeForFile(file.fileName(), QMimeDatabase::MatchExtension).name().toLatin1();
        if (type.startsWith("text/") || type == "application/javascript")
            type += "; charset=utf-8";
        Send(socket, "200 OK", type, file.readAll());
    }

    QString Local(const QString& path) const
    {
        QString best;
        for (auto root = FRoots.cbegin(); root != FRoots.cend(); ++root)
            if (path.startsWith(root.key()) && root.key().size() > best.size())
                best = root.key();
        return best.isEmpty() ? QString() : FRoots.value(best) + QLatin1Char('/') + path.mid(best.size());
    }

    static void Send(QTcpSocket* socket, const QByteArray& status, const QByteArray& type,
                     const QByteArray& content, const QByteArray& headers = {})
    {
        socket->write("HTTP/1.1 " + status + "\r\n" + headers + "Content-Type: " + type +
                      "\r\nCache-Control: no-store\r\nConnection: close\r\nContent-Length: " +
                      QByteArray::number(content.size()) + "\r\n\r\n" + content);
        socket->disconnectFromHost();
    }

    static QMap<QString, QString> Decode(const QString& type, const QByteArray& body)
    {
        QMap<QString, QString> fields;
        if (type.startsWith(QLatin1String("application/x-www-form-urlencoded"))) {
            QByteArray plain = body;
            plain.replace('+', "%20");
            for (const auto& [name, value] :
                 QUrlQuery(QString::fromLatin1(plain)).queryItems(QUrl::FullyDecoded))
                fields.insert(name, value);
        } else if (type.startsWith(QLatin1String("multipart/form-data"))) {
            const QByteArray boundary = "--" + type.section(QLatin1String("boundary="), 1).toLatin1();
            for (const QByteArray& part : Parts(body, boundary)) {
                const qsizetype end = part.indexOf("\r\n\r\n");
                static const QRegularExpression namePattern(QStringLiteral("name=\"([^\"]*)\""));
                const auto name = namePattern.match(QString::fromUtf8(part.left(end)));
                if (end >= 0 && name.hasMatch())
                    fields.insert(name.captured(1), QString::fromUtf8(part.mid(end + 4)));
            }
        } else if (type.startsWith(QLatin1String("application/json"))) {
            const QJsonObject object = QJsonDocument::fromJson(body).object();
            for (auto member = object.begin(); member != object.end(); ++member)
                fields.insert(member.key(), member.value().toString());
        }
        return fields;
    }

    // The parts between the boundaries, each without the line break that ends it.
    static QList<QByteArray> Parts(const QByteArray& body, const QByteArray& boundary)
    {
        QList<QByteArray> parts;
        qsizetype at = body.indexOf(boundary);
        while (at >= 0) {
            const qsizetype start = at + boundary.size() + 2; // past the boundary's line break
            const qsizetype next = body.indexOf("\r\n" + boundary, start);
            if (next < 0)
                break;
            parts.append(body.mid(start, next - start));
            at = next + 2;
        }
        return parts;
    }

    QMap<QString, QString> FRoots;
    QMap<QString, TAnswer> FAnswers;
    QTcpServer FServer;
    QList<TReceived> FReceived;
};
