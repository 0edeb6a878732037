#include "testhttpserver.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QUrl>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray response(const QByteArray &status, const QList<QByteArray> &headers,
                    const QByteArray &body)
{
    QByteArray out = "HTTP/1.1 " + status + "\r\n";
    for (const QByteArray &header : headers)
        out += header + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n";
    return out + body;
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
    } else if (method != "GET" && method != "HEAD") {
        out = response("405 Method Not Allowed", {"Allow: GET, HEAD"}, {});
    } else if (file == m_files.cend()) {
        out = response("404 Not Found", {"Content-Type: text/plain"}, "not found\n");
    } else {
        const QByteArray &bytes = file->bytes;
        const qint64 size = bytes.size();
        const QByteArray type = "Content-Type: " + file->contentType;
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
                out = response("206 Partial Content",
                               {type, "Accept-Ranges: bytes",
                                "Content-Range: bytes " + QByteArray::number(first) + '-' +
                                    QByteArray::number(last) + '/' + QByteArray::number(size)},
                               bytes.mid(first, last - first + 1));
            }
        } else {
            out = response("200 OK", {type, "Accept-Ranges: bytes"}, bytes);
        }
        if (method == "HEAD")
            out.truncate(out.indexOf("\r\n\r\n") + 4);
    }
    socket->write(out);
    socket->disconnectFromHost();
}
