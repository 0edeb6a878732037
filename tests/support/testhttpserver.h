#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// A small HTTP/1.1 file server on 127.0.0.1 for the player's tests: serves the bytes it was given
// by path, 404 for anything else, with byte ranges ("Range: bytes=N-" or "N-M", answered 206) so
// that the player can probe and seek. One request per connection. Files may also be served the
// ways a bad network or a hostile server serves them: cut off, trickled, longer than announced,
// without a length, or without end.
class TestHttpServer : public QObject
{
    Q_OBJECT

public:
    explicit TestHttpServer(QObject *parent = nullptr);

    // Listens on a free port of 127.0.0.1.
    bool start();
    void stop();
    quint16 port() const { return m_server.serverPort(); }
    // "http://127.0.0.1:port" + path; path starts with '/'.
    QString url(const QString &path) const;

    void addFile(const QString &path, const QByteArray &bytes,
                 const QByteArray &contentType = "audio/mpeg");
    // Served as addFile() announces it, whole sizes and all, but every answer breaks off at byte
    // offset `available` of the file: a connection lost halfway, also for each reconnection.
    void addCutFile(const QString &path, const QByteArray &bytes, qsizetype available)
    {
        m_files.insert(path, File{bytes, "audio/mpeg", available});
    }
    // Served as addFile() announces it, but the body comes one byte every `intervalMs`: a server
    // that keeps the connection alive without ever delivering enough to play. The first `burst`
    // bytes come at once: a transfer that starts fast and then all but stops.
    void addTrickledFile(const QString &path, const QByteArray &bytes, int intervalMs,
                         qsizetype burst = 0)
    {
        m_files.insert(path,
                       File{bytes, "audio/mpeg", -1, intervalMs, -1, false, false, false, burst});
    }
    // Served whole, but announcing a Content-Length of only `announced` bytes: a server that sends
    // more than it said. Byte ranges are not offered.
    void addOverlongFile(const QString &path, const QByteArray &bytes, qint64 announced)
    {
        m_files.insert(path, File{bytes, "audio/mpeg", -1, 0, announced});
    }
    // Served without a Content-Length: the body ends when the server closes the connection.
    // Byte ranges are not offered.
    void addUnsizedFile(const QString &path, const QByteArray &bytes)
    {
        m_files.insert(path, File{bytes, "audio/mpeg", -1, 0, -1, true});
    }
    // Served packed ("Content-Encoding: deflate"), the Content-Length being that of the packed
    // bytes: the client receives more than was announced, rightly. Byte ranges are not offered.
    void addPackedFile(const QString &path, const QByteArray &bytes)
    {
        const QByteArray packed = qCompress(bytes).mid(4); // a zlib stream, without Qt's size
        m_files.insert(path, File{packed, "audio/mpeg", -1, 0, packed.size(), false, false, true});
    }
    // A body that never ends, sent as fast as the client takes it: a Content-Length of
    // `announced` bytes (always fewer than follow), or with announced < 0 none at all. So that a
    // test whose client keeps reading cannot run away, the server gives up after
    // kEndlessMaxBytes or kEndlessMaxMs. Byte ranges are not offered.
    void addEndlessFile(const QString &path, qint64 announced = -1)
    {
        m_files.insert(path, File{{}, "audio/mpeg", -1, 0, announced, announced < 0, true});
    }
    static constexpr qint64 kEndlessMaxBytes = qint64(4) << 30;
    static constexpr int kEndlessMaxMs = 60000;
    // Requests for path are sent on to location ("302 Found").
    void addRedirect(const QString &path, const QString &location)
    {
        m_redirects.insert(path, location);
    }
    // Requests for path are answered with status ("403 Forbidden") and no body.
    void addStatus(const QString &path, const QByteArray &status)
    {
        m_statuses.insert(path, status);
    }
    void removeStatus(const QString &path) { m_statuses.remove(path); }
    // Requests for path are read and never answered, as a server that hangs.
    void addStalledPath(const QString &path) { m_stalled.append(path); }
    // "GET /path" for every request served, in order.
    QStringList requests() const { return m_requests; }

private:
    struct File
    {
        QByteArray bytes;
        QByteArray contentType;
        qsizetype available = -1; // bytes sent at most, counted from the file's start; -1 all
        int trickleMs = 0;        // > 0: the body is sent a byte at a time, this far apart
        qint64 announced = -1;    // >= 0: the Content-Length sent instead of the real size
        bool unsized = false;     // no Content-Length: the closed connection ends the body
        bool endless = false;     // the body is repeated filler without end
        bool deflated = false;    // bytes are packed, and sent as such
        qsizetype burst = 0;      // bytes of a trickled body sent at once, before the trickle
    };

    void accept();
    void answer(QTcpSocket *socket, const QByteArray &head);
    // Writes body after head and closes, as the file's cut or trickle asks.
    static void send(QTcpSocket *socket, const QByteArray &head, const QByteArray &body,
                     qint64 offset, const File &file);
    // Writes head and then filler for as long as the client reads it, within the bounds above.
    static void sendEndless(QTcpSocket *socket, const QByteArray &head);

    QTcpServer m_server;
    QHash<QString, File> m_files;
    QHash<QString, QByteArray> m_statuses;
    QHash<QString, QString> m_redirects;
    QStringList m_stalled;
    QStringList m_requests;
};
