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
// that the player can probe and seek. One request per connection.
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
    };

    void accept();
    void answer(QTcpSocket *socket, const QByteArray &head);

    QTcpServer m_server;
    QHash<QString, File> m_files;
    QHash<QString, QByteArray> m_statuses;
    QStringList m_stalled;
    QStringList m_requests;
};
