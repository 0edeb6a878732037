#include "testhttpserver.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// contentLength < 0: none is announced, the body ends with the connection.
QByteArray responseHead(const QByteArray &status, const QList<QByteArray> &headers,
                        qint64 contentLength)
{
    QByteArray out = "HTTP/1.1 " + status + "\r\n";
    for (const QByteArray &header : headers)
        out += header + "\r\n";
    if (contentLength >= 0)
        out += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    return out + "Connection: close\r\n\r\n";
}

QByteArray response(const QByteArray &status, const QList<QByteArray> &headers,
                    const QByteArray &body)
{
    return responseHead(status, headers, body.size()) + body;
}

} // namespace

TestHttpServer::TestHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::accept);
}

bool TestHttpServer::start()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

void TestHttpServer::stop()
{
    m_server.close();
}

QString TestHttpServer::url(const QString &path) const
{
    return u"http://127.0.0.1:%1%2"_s.arg(port()).arg(path);
}

void TestHttpServer::addFile(const QString &path, const QByteArray &bytes,
                             const QByteArray &contentType)
{
    m_files.insert(path, File{bytes, contentType});
}

void TestHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
            *received += socket->readAll();
            const qsizetype end = received->indexOf("\r\n\r\n");
            if (end < 0) {
                if (received->size() > 64 * 1024)
                    socket->abort();
                return;
            }
            const QByteArray head = received->left(end);
            received->clear();
            // Ignore whatever else the client sends: the connection closes after the answer.
            disconnect(socket, &QTcpSocket::readyRead, socket, nullptr);
            answer(socket, head);
        });
    }
}

void TestHttpServer::answer(QTcpSocket *socket, const QByteArray &head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> request = lines.value(0).trimmed().split(' ');
    const QByteArray method = request.value(0);
    const QString path = QUrl(QString::fromLatin1(request.value(1))).path();
    m_requests.append(QString::fromLatin1(method) + u' ' + path);

    QByteArray range;
    for (const QByteArray &line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "range")
            range = line.mid(colon + 1).trimmed();
    }

    if (m_stalled.contains(path))
        return;

    QByteArray out;
    const auto file = m_files.constFind(path);
    if (m_statuses.contains(path)) {
        out = response(m_statuses.value(path), {}, {});
    } else if (m_redirects.contains(path)) {
        out = response("302 Found", {"Location: " + m_redirects.value(path).toUtf8()}, {});
    } else if (method != "GET" && method != "HEAD") {
        out = response("405 Method Not Allowed", {"Allow: GET, HEAD"}, {});
    } else if (file == m_files.cend()) {
        out = response("404 Not Found", {"Content-Type: text/plain"}, "not found\n");
    } else {
        const QByteArray &bytes = file->bytes;
        const qint64 size = bytes.size();
        const QByteArray type = "Content-Type: " + file->contentType;
        if (file->endless || file->unsized || file->announced >= 0) {
            QList<QByteArray> headers{type};
            if (file->deflated)
                headers.append("Content-Encoding: deflate");
            const QByteArray answerHead =
                responseHead("200 OK", headers, file->unsized ? -1 : file->announced);
            if (method == "HEAD") {
                socket->write(answerHead);
                socket->disconnectFromHost();
            } else if (file->endless) {
                sendEndless(socket, answerHead);
            } else {
                send(socket, answerHead, bytes, 0, *file);
            }
            return;
        }
        if (range.startsWith("bytes=")) {
            const QList<QByteArray> bounds = range.mid(6).split('-');
            bool ok = false;
            const qint64 first = bounds.value(0).toLongLong(&ok);
            bool hasLast = false;
            qint64 last = bounds.value(1).toLongLong(&hasLast);
            if (!hasLast || last >= size)
                last = size - 1;
            if (!ok || first >= size || first > last) {
                out = response("416 Range Not Satisfiable",
                               {"Content-Range: bytes */" + QByteArray::number(size)}, {});
            } else {
                const QByteArray partial =
                    responseHead("206 Partial Content",
                                 {type, "Accept-Ranges: bytes",
                                  "Content-Range: bytes " + QByteArray::number(first) + '-' +
                                      QByteArray::number(last) + '/' + QByteArray::number(size)},
                                 last - first + 1);
                send(socket, partial,
                     method == "HEAD" ? QByteArray() : bytes.mid(first, last - first + 1), first,
                     *file);
                return;
            }
        } else {
            send(socket, responseHead("200 OK", {type, "Accept-Ranges: bytes"}, size),
                 method == "HEAD" ? QByteArray() : bytes, 0, *file);
            return;
        }
    }
    socket->write(out);
    socket->disconnectFromHost();
}

void TestHttpServer::send(QTcpSocket *socket, const QByteArray &head, const QByteArray &body,
                          qint64 offset, const File &file)
{
    socket->write(head);
    QByteArray sent = body;
    if (file.available >= 0)
        sent.truncate(qMax<qint64>(file.available - offset, 0));
    if (file.trickleMs <= 0 || sent.isEmpty()) {
        socket->write(sent);
        socket->disconnectFromHost();
        return;
    }
    // The burst, then one byte per tick until the body is out or the client has gone.
    const qsizetype burst = qBound<qsizetype>(0, file.burst - offset, sent.size() - 1);
    socket->write(sent.left(burst));
    auto *timer = new QTimer(socket);
    auto next = std::make_shared<qsizetype>(burst);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, sent, next] {
        if (socket->state() != QAbstractSocket::ConnectedState) {
            timer->stop();
            return;
        }
        socket->write(sent.mid((*next)++, 1));
        if (*next >= sent.size()) {
            timer->stop();
            socket->disconnectFromHost();
        }
    });
    timer->start(file.trickleMs);
}

void TestHttpServer::sendEndless(QTcpSocket *socket, const QByteArray &head)
{
    static const QByteArray filler = [] {
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 13 + i / 509);
        return bytes;
    }();
    // Only a little is queued at a time, more as the client takes it: the socket would otherwise
    // buffer without limit here, whatever the client does.
    constexpr qint64 queued = 256 * 1024;
    socket->write(head);
    auto sent = std::make_shared<qint64>(0);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    const auto refill = [socket, sent, clock] {
        if (socket->state() != QAbstractSocket::ConnectedState)
            return;
        if (*sent >= kEndlessMaxBytes || clock->elapsed() >= kEndlessMaxMs) {
            QObject::disconnect(socket, &QTcpSocket::bytesWritten, socket, nullptr);
            socket->disconnectFromHost();
            return;
        }
        while (socket->bytesToWrite() < queued) {
            socket->write(filler);
            *sent += filler.size();
        }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}
