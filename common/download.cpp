#include "download.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>

#include <algorithm>

namespace {

// The size the reply announced for its body, or -1 when it announced none or only that of a
// packed body (Content-Encoding), which says nothing about the bytes that come out of it.
qint64 announcedSize(const QNetworkReply &reply)
{
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    if (!length.isValid() || reply.hasRawHeader("Content-Encoding"))
        return -1;
    return length.toLongLong();
}

int httpStatus(const QNetworkReply &reply)
{
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace

Download::Download(QNetworkAccessManager &network, QObject *parent)
    : QObject(parent)
    , m_network(network)
{
    m_stall.setSingleShot(true);
    connect(&m_stall, &QTimer::timeout, this, &Download::stalled);
    connect(&m_rateTimer, &QTimer::timeout, this, &Download::checkRate);
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

void Download::setMinimumRate(qint64 bytes, std::chrono::milliseconds window)
{
    m_minimumBytes = bytes;
    m_rateWindow = window;
}

void Download::start(const QUrl &url, const QString &target)
{
    m_target = target;
    m_result = {};
    m_written = 0;
    m_arrived = 0;
    m_cancelled = m_stalled = m_diskFull = m_tooLarge = m_tooSlow = m_overlong = false;
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
    // Without a bound the network layer reads as fast as the server sends, however slowly the
    // file takes it.
    m_reply->setReadBufferSize(kReadBuffer);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        // A body announced as too large is not waited for.
        const int status = httpStatus(*m_reply);
        if (m_maxBytes >= 0 && status < 300 && announcedSize(*m_reply) > m_maxBytes)
            giveUp(m_tooLarge);
    });
    connect(m_reply, &QNetworkReply::readyRead, this, [this] { receive(*m_reply); });
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        m_stall.start(m_stallTimeout);
        Q_EMIT progress(received, total > 0 ? total : -1);
    });
    connect(m_reply, &QNetworkReply::finished, this, &Download::replyFinished);
    m_stall.start(m_stallTimeout);
    m_clock.start();
    m_rateSamples = {{0, 0}};
    if (m_minimumBytes > 0 && m_rateWindow.count() > 0)
        m_rateTimer.start(std::max(m_rateWindow / 60, std::chrono::milliseconds(1)));
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

void Download::checkRate()
{
    if (!m_reply)
        return;
    const qint64 now = m_clock.elapsed();
    const qint64 windowStart = now - m_rateWindow.count();
    m_rateSamples.emplace_back(now, m_arrived);
    // The front stays the latest sample from before the window: what arrived since it is what
    // arrived in at least one whole window.
    while (m_rateSamples.size() >= 2 && m_rateSamples[1].first <= windowStart)
        m_rateSamples.pop_front();
    const auto [since, arrivedThen] = m_rateSamples.front();
    if (since <= windowStart && m_arrived - arrivedThen < m_minimumBytes)
        giveUp(m_tooSlow);
}

void Download::giveUp(bool &reason)
{
    reason = true;
    if (m_reply)
        m_reply->abort(); // finished() follows at once
}

void Download::receive(QNetworkReply &reply)
{
    m_stall.start(m_stallTimeout);
    const QByteArray chunk = reply.readAll();
    m_arrived += chunk.size();
    // An error page is no part of the file, nor is anything after a failed or refused write.
    if (httpStatus(reply) >= 400 || m_diskFull || m_tooLarge || m_overlong || !m_file)
        return;
    const qint64 total = m_written + chunk.size();
    if (m_maxBytes >= 0 && total > m_maxBytes)
        return giveUp(m_tooLarge);
    const qint64 announced = announcedSize(reply);
    if (announced >= 0 && total > announced)
        return giveUp(m_overlong);
    m_written = total;
    if (m_file->write(chunk) != chunk.size())
        giveUp(m_diskFull);
}

void Download::replyFinished()
{
    m_stall.stop();
    m_rateTimer.stop();
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();
    if (reply->isReadable() && reply->bytesAvailable() > 0)
        receive(*reply); // the last bytes may come with the end
    m_result.httpStatus = httpStatus(*reply);
    m_result.networkError = reply->error();

    if (m_stalled || m_tooSlow)
        m_result.networkError = QNetworkReply::TimeoutError;
    if (m_overlong)
        m_result.networkError = QNetworkReply::ProtocolFailure;
    if (m_tooLarge) // also when the excess only came with the end, and nothing was aborted
        m_result.networkError = QNetworkReply::OperationCanceledError;
    // A connection that closes before the announced size arrived is a broken transfer, even when
    // the network layer takes the close for the end of the body.
    const qint64 announced = announcedSize(*reply);
    const bool shortBody = announced > 0 && m_written < announced;
    if (shortBody && m_result.networkError == QNetworkReply::NoError)
        m_result.networkError = QNetworkReply::RemoteHostClosedError;
    finish(m_cancelled                                       ? Status::Cancelled
           : m_diskFull                                      ? Status::DiskError
           : m_tooLarge                                      ? Status::TooLarge
           : m_tooSlow                                       ? Status::TooSlow
           : m_stalled                                       ? Status::NetworkError
           : m_result.httpStatus >= 400                      ? Status::HttpError
           : m_result.networkError != QNetworkReply::NoError ? Status::NetworkError
           // Everything arrived: only now does the file take the target's place.
           : m_file->commit() ? Status::Success
                              : Status::DiskError);
}

void Download::finish(Status status)
{
    m_stall.stop();
    m_rateTimer.stop();
    if (m_file && status != Status::Success)
        m_file->cancelWriting();
    m_file.reset();
    m_result.status = status;
    Q_EMIT finished(m_result);
}
