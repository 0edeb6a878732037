#include "clipfailure.h"
#include "clipmessages.h"

#include <QTest>

#include <mpv/client.h>

using namespace Qt::Literals::StringLiterals;

using namespace ClipMessages;

// Why a clip failed, from mpv's error code and the lines of its log: the cause, by its message.
class TestClipFailure : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void failureCauses_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("web");
        QTest::addColumn<bool>("missingFile");
        QTest::addColumn<QString>("message");
        const int loading = MPV_ERROR_LOADING_FAILED;
        const QString alsa = u"Playback open error: No such file or directory"_s;
        QTest::addRow("no sound device")
            << int(MPV_ERROR_AO_INIT_FAILED) << u"ao/alsa"_s << alsa << false << false << kNoDevice;
        // Lines of other modules are not about the link.
        QTest::addRow("audio output's line")
            << loading << u"ao/alsa"_s << alsa << true << false << kNoConnection;
        QTest::addRow("player's line")
            << loading << u"cplayer"_s << u"HTTP error 404"_s << false << false << kCannotPlay;
        QTest::addRow("HTTP 404") << loading << u"ffmpeg"_s
                                  << u"http: HTTP error 404 File not found"_s << true << false
                                  << kNotFound;
        QTest::addRow("HTTP 403") << loading << u"ffmpeg"_s << u"http: HTTP error 403 Forbidden"_s
                                  << true << false << kCannotPlay;
        QTest::addRow("refused connection")
            << loading << u"ffmpeg"_s
            << u"tcp: Connection to tcp://127.0.0.1:9 failed: Connection refused"_s << true << false
            << kNoConnection;
        QTest::addRow("FFmpeg module")
            << loading << u"ffmpeg/demuxer"_s << u"tcp: Connection timed out"_s << true << false
            << kNoConnection;
        QTest::addRow("server silent")
            << loading << QString() << QString() << true << false << kNoConnection;
        QTest::addRow("missing file")
            << loading << u"file"_s << u"Cannot open file '/a.mp3': No such file or directory"_s
            << false << true << kNotFound;
        QTest::addRow("unknown format") << int(MPV_ERROR_UNKNOWN_FORMAT) << QString() << QString()
                                        << true << false << kBadFormat;
        QTest::addRow("unsafe playlist entry")
            << loading << u"stream"_s
            << u"Refusing to load potentially unsafe URL from a playlist."_s << false << false
            << kRefused;
        QTest::addRow("unsafe edit list part")
            << int(MPV_ERROR_NOTHING_TO_PLAY) << u"stream"_s
            << u"Refusing to load potentially unsafe URL from a playlist."_s << false << false
            << kRefused;
        QTest::addRow("protocol not allowed")
            << loading << u"ffmpeg"_s << u"ftp: Protocol 'ftp' not on whitelist 'file,http'!"_s
            << true << false << kRefused;
    }

    void failureCauses()
    {
        QFETCH(int, error);
        QFETCH(QString, prefix);
        QFETCH(QString, line);
        QFETCH(bool, web);
        QFETCH(bool, missingFile);
        QFETCH(QString, message);
        const ClipFailure logged = ClipFailures::failureInLog(prefix, line);
        QCOMPARE(
            ClipFailures::messageFor(ClipFailures::failureOfError(error, logged, web, missingFile)),
            message);
    }
};

QTEST_GUILESS_MAIN(TestClipFailure)
#include "tst_clipfailure.moc"
