#include "download.h"
#include "testhttpserver.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {
QByteArray payload(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 251);
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

Q_DECLARE_METATYPE(Download::Status)

// Fetching into a file: whatever happens, the target holds either its old content or the whole
// new one, and nothing half-written is left beside it.
class TestDownload : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;
    QNetworkAccessManager m_network;
    QTemporaryDir m_dir;
    const QByteArray m_body = payload(300000);

    QString target() const { return m_dir.filePath(u"saved.mp3"_s); }
    // Runs a download of url into the target until it ends.
    Download::Result fetch(const QString &url, std::chrono::milliseconds stall = 30s,
                           const std::function<void(Download &, qint64)> &onProgress = {})
    {
        Download download(m_network);
        download.setStallTimeout(stall);
        QSignalSpy done(&download, &Download::finished);
        if (onProgress)
            connect(&download, &Download::progress, &download,
                    [&](qint64 received, qint64) { onProgress(download, received); });
        download.start(QUrl(url), target());
        if (done.isEmpty())
            done.wait(20000);
        return download.result();
    }
    // Only the target itself (or nothing) is in the folder: no temporary file stayed.
    bool onlyTarget() const
    {
        const QStringList names = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        return names.isEmpty() || names == QStringList{u"saved.mp3"_s};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.start());
        m_server.addFile(u"/a.mp3"_s, m_body);
        m_server.addRedirect(u"/moved.mp3"_s, m_server.url(u"/a.mp3"_s));
        m_server.addRedirect(u"/to-file.mp3"_s, u"file:///etc/hostname"_s);
        m_server.addStatus(u"/forbidden.mp3"_s, "403 Forbidden");
        m_server.addCutFile(u"/cut.mp3"_s, m_body, 1000);
        m_server.addTrickledFile(u"/slow.mp3"_s, m_body, 5);
        m_server.addStalledPath(u"/hangs.mp3"_s);
    }
    void init() { QFile::remove(target()); }

    void completeDownloads()
    {
        QCOMPARE(fetch(m_server.url(u"/a.mp3"_s)).status, Download::Status::Success);
        QCOMPARE(readAll(target()), m_body);
        // A redirect is followed; an existing file is replaced whole.
        QFile::remove(target());
        QFile old(target());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        QCOMPARE(fetch(m_server.url(u"/moved.mp3"_s)).status, Download::Status::Success);
        QCOMPARE(readAll(target()), m_body);
        // A local file is copied.
        const QString source = m_dir.filePath(u"source.bin"_s);
        QFile src(source);
        QVERIFY(src.open(QIODevice::WriteOnly));
        src.write(m_body.left(1234));
        src.close();
        QCOMPARE(fetch(QUrl::fromLocalFile(source).toString()).status, Download::Status::Success);
        QCOMPARE(readAll(target()), m_body.left(1234));
        QFile::remove(source);
        QVERIFY(onlyTarget());
    }

    void failuresKeepTheOldFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Download::Status>("status");
        QTest::addColumn<int>("http");
        QTest::addColumn<int>("error");
        QTest::newRow("404") << u"/none.mp3"_s << Download::Status::HttpError << 404
                             << int(QNetworkReply::ContentNotFoundError);
        QTest::newRow("403") << u"/forbidden.mp3"_s << Download::Status::HttpError << 403
                             << int(QNetworkReply::ContentAccessDenied);
        QTest::newRow("connection lost") << u"/cut.mp3"_s << Download::Status::NetworkError << 200
                                         << int(QNetworkReply::RemoteHostClosedError);
        QTest::newRow("stalled") << u"/hangs.mp3"_s << Download::Status::NetworkError << 0
                                 << int(QNetworkReply::TimeoutError);
        QTest::newRow("redirect to a local file")
            << u"/to-file.mp3"_s << Download::Status::NetworkError << 302
            << int(QNetworkReply::ProtocolUnknownError);
    }
    void failuresKeepTheOldFile()
    {
        QFETCH(QString, path);
        QFETCH(Download::Status, status);
        QFETCH(int, http);
        QFETCH(int, error);
        QFile old(target());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the user's file");
        old.close();
        const Download::Result r = fetch(m_server.url(path), 300ms);
        QCOMPARE(r.status, status);
        QCOMPARE(r.httpStatus, http);
        QCOMPARE(int(r.networkError), error);
        QCOMPARE(readAll(target()), QByteArray("the user's file"));
        QVERIFY(onlyTarget());
    }

    void cancelledHalfWay()
    {
        const Download::Result r =
            fetch(m_server.url(u"/slow.mp3"_s), 30s, [](Download &d, qint64 received) {
                if (received >= 20)
                    d.cancel();
            });
        QCOMPARE(r.status, Download::Status::Cancelled);
        QVERIFY(!QFile::exists(target()));
        QVERIFY(onlyTarget());
    }

    void unwritableTarget()
    {
        const qsizetype asked = m_server.requests().size();
        Download download(m_network);
        QSignalSpy done(&download, &Download::finished);
        download.start(QUrl(m_server.url(u"/a.mp3"_s)), m_dir.filePath(u"no/such/folder/x.mp3"_s));
        QVERIFY(done.wait(5000));
        QCOMPARE(download.result().status, Download::Status::DiskError);
        // Without a place to write, nothing is fetched.
        QTest::qWait(50);
        QCOMPARE(m_server.requests().size(), asked);
    }

    void refusedConnection()
    {
        TestHttpServer gone;
        QVERIFY(gone.start());
        const QString url = gone.url(u"/a.mp3"_s);
        gone.stop();
        const Download::Result r = fetch(url);
        QCOMPARE(r.status, Download::Status::NetworkError);
        QCOMPARE(r.networkError, QNetworkReply::ConnectionRefusedError);
        QVERIFY(!QFile::exists(target()));
    }
};

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_download.moc"
