#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QSaveFile>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <memory>

class QNetworkAccessManager;

// Fetches one URL (http, https or a local file) into a file. The file at the target path is
// replaced only once the whole body has arrived and been written: after any failure it keeps its
// old content, or stays absent, and no partial file remains beside it.
class Download : public QObject
{
    Q_OBJECT

public:
    enum class Status
    {
        Running,
        Success,
        HttpError,    // the server answered with an error status (httpStatus)
        NetworkError, // no answer, a broken or stalled transfer, a refused redirect (networkError)
        Cancelled,
        DiskError, // the target could not be written
    };
    struct Result
    {
        Status status = Status::Running;
        int httpStatus = 0;
        QNetworkReply::NetworkError networkError = QNetworkReply::NoError;
    };

    explicit Download(QNetworkAccessManager &network, QObject *parent = nullptr);
    ~Download() override;

    // A transfer that receives nothing for this long is given up (30 s unless set).
    void setStallTimeout(std::chrono::milliseconds timeout) { m_stallTimeout = timeout; }
    // Redirects followed at most (10 unless set); only to links as safe as the first.
    void setMaxRedirects(int count) { m_maxRedirects = count; }

    // Starts fetching url into target. finished() follows in every case, also when the target
    // cannot even be opened (then with DiskError, from the event loop).
    void start(const QUrl &url, const QString &target);
    // Stops the transfer; finished() says Cancelled unless it had already ended.
    void cancel();

    const Result &result() const { return m_result; }
    const QString &target() const { return m_target; }

Q_SIGNALS:
    // Bytes received so far, and the whole size (-1 while unknown).
    void progress(qint64 received, qint64 total);
    void finished(const Download::Result &result);

private:
    void receive(QNetworkReply &reply);
    void replyFinished();
    void finish(Status status);
    void stalled();

    QNetworkAccessManager &m_network;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<QSaveFile> m_file;
    QTimer m_stall;
    QString m_target;
    Result m_result;
    std::chrono::milliseconds m_stallTimeout{30000};
    int m_maxRedirects = 10;
    qint64 m_written = 0; // bytes of the body received for the file
    bool m_cancelled = false;
    bool m_stalled = false;
    bool m_diskFull = false;
};
