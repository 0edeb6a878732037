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
// ways a bad network serves them: cut off, or trickled.
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
    // that keeps the connection alive without ever delivering enough to play.
    void addTrickledFile(const QString &path, const QByteArray &bytes, int intervalMs)
    {
        m_files.insert(path, File{bytes, "audio/mpeg", -1, intervalMs});
    }
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
    };

    void accept();
    void answer(QTcpSocket *socket, const QByteArray &head);
    // Writes body after head and closes, as the file's cut or trickle asks.
    static void send(QTcpSocket *socket, const QByteArray &head, const QByteArray &body,
                     qint64 offset, const File &file);

    QTcpServer m_server;
    QHash<QString, File> m_files;
    QHash<QString, QByteArray> m_statuses;
    QHash<QString, QString> m_redirects;
    QStringList m_stalled;
    QStringList m_requests;
};
