#include "download.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>

Download::Download(QNetworkAccessManager &network, QObject *parent)
    : QObject(parent)
    , m_network(network)
{
    m_stall.setSingleShot(true);
    connect(&m_stall, &QTimer::timeout, this, &Download::stalled);
}

Download::~Download()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    if (m_file)
        m_file->cancelWriting(); // the old target stays as it was
}

void Download::start(const QUrl &url, const QString &target)
{
    m_target = target;
    m_result = {};
    m_written = 0;
    m_file = std::make_unique<QSaveFile>(target);
    if (!m_file->open(QIODevice::WriteOnly)) {
        QMetaObject::invokeMethod(
            this, [this] { finish(Status::DiskError); }, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(url);
    // Redirects may not lead from https to http, nor anywhere but http(s).
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(m_maxRedirects);
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, [this] { receive(*m_reply); });
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        m_stall.start(m_stallTimeout);
        Q_EMIT progress(received, total > 0 ? total : -1);
    });
    connect(m_reply, &QNetworkReply::finished, this, &Download::replyFinished);
    m_stall.start(m_stallTimeout);
}

void Download::cancel()
{
    if (m_result.status != Status::Running)
        return;
    m_cancelled = true;
    if (m_reply)
        m_reply->abort(); // finished() follows at once
}

void Download::stalled()
{
    if (!m_reply)
        return;
    m_stalled = true;
    m_reply->abort();
}

void Download::receive(QNetworkReply &reply)
{
    m_stall.start(m_stallTimeout);
    const QByteArray chunk = reply.readAll();
    // An error page is no part of the file, nor is anything after a failed write.
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400 || m_diskFull || !m_file)
        return;
    m_written += chunk.size();
    if (m_file->write(chunk) != chunk.size()) {
        m_diskFull = true;
        reply.abort();
    }
}

void Download::replyFinished()
{
    m_stall.stop();
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();
    if (reply->isReadable() && reply->bytesAvailable() > 0)
        receive(*reply); // the last bytes may come with the end
    m_result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    m_result.networkError = reply->error();

    if (m_stalled)
        m_result.networkError = QNetworkReply::TimeoutError;
    // A connection that closes before the announced size arrived is a broken transfer, even when
    // the network layer takes the close for the end of the body.
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    const bool encoded = reply->hasRawHeader("Content-Encoding"); // the size is of the packed body
    const bool shortBody = !encoded && announced > 0 && m_written < announced;
    if (shortBody && m_result.networkError == QNetworkReply::NoError)
        m_result.networkError = QNetworkReply::RemoteHostClosedError;
    finish(m_cancelled                                       ? Status::Cancelled
           : m_diskFull                                      ? Status::DiskError
           : m_stalled                                       ? Status::NetworkError
           : m_result.httpStatus >= 400                      ? Status::HttpError
           : m_result.networkError != QNetworkReply::NoError ? Status::NetworkError
           // Everything arrived: only now does the file take the target's place.
           : m_file->commit() ? Status::Success
                              : Status::DiskError);
}

void Download::finish(Status status)
{
    if (m_file && status != Status::Success)
        m_file->cancelWriting();
    m_file.reset();
    m_result.status = status;
    Q_EMIT finished(m_result);
}
