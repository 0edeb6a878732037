#pragma once

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QSaveFile>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <deque>
#include <memory>
#include <utility>

class QNetworkAccessManager;

// Fetches one URL (http, https or a local file) into a file. The file at the target path is
// replaced only once the whole body has arrived and been written: after any failure it keeps its
// old content, or stays absent, and no partial file remains beside it.
//
// A server can make it neither fill the disk nor hang: a body may be capped (setMaxBytes()), no
// more than the announced Content-Length is taken (over HTTP the network layer stops reading
// there; a reply that hands over more fails), a transfer may be held to a lowest rate
// (setMinimumRate()), and only kReadBuffer bytes wait in memory: the network waits while the file
// takes them, however fast the server sends.
class Download : public QObject
{
    Q_OBJECT

public:
    enum class Status
    {
        Running,
        Success,
        HttpError, // the server answered with an error status (httpStatus)
        // No answer, a broken or stalled transfer, a refused redirect (networkError); also a body
        // longer than its announced Content-Length (ProtocolFailure).
        NetworkError,
        Cancelled,
        DiskError, // the target could not be written
        // The body is, or was announced as, longer than setMaxBytes() allows (networkError says
        // OperationCanceledError).
        TooLarge,
        TooSlow, // less arrived in a window than setMinimumRate() asks (TimeoutError)
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
    // A body longer than this is given up as soon as that is known, from its announced size or
    // from the bytes that came; none of it is kept. No limit unless set (or when negative).
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }
    // A transfer that receives fewer than `bytes` in any span of `window` is given up; the first
    // check is one whole window after the start, later ones follow every 1/60 of the window. A
    // byte now and then, which keeps the stall timeout from ever firing, is not enough. Off
    // unless set (or when bytes or window is not positive).
    void setMinimumRate(qint64 bytes, std::chrono::milliseconds window);

    // The most the reply holds in memory before the network waits for the file to take it.
    static constexpr qint64 kReadBuffer = 1024 * 1024;

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
    void checkRate();
    // Gives up the transfer: the flag set says why.
    void giveUp(bool &reason);

    QNetworkAccessManager &m_network;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<QSaveFile> m_file;
    QTimer m_stall;
    QTimer m_rateTimer;
    QElapsedTimer m_clock;                               // since start()
    std::deque<std::pair<qint64, qint64>> m_rateSamples; // (ms since start, bytes arrived then)
    QString m_target;
    Result m_result;
    std::chrono::milliseconds m_stallTimeout{30000};
    int m_maxRedirects = 10;
    qint64 m_maxBytes = -1;
    qint64 m_minimumBytes = 0; // per m_rateWindow
    std::chrono::milliseconds m_rateWindow{0};
    qint64 m_written = 0; // bytes of the body received for the file
    qint64 m_arrived = 0; // bytes read from the reply, error pages included
    bool m_cancelled = false;
    bool m_stalled = false;
    bool m_diskFull = false;
    bool m_tooLarge = false;
    bool m_tooSlow = false;
    bool m_overlong = false; // more came than the Content-Length announced
};
